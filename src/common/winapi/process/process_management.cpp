#include "common/process_management.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/winapi/process/last_error.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace process_management {

namespace {

// Descriptors 0 to 2 are the standard streams; a duplicate never takes one of them.
constexpr int first_free_descriptor = 3;

// Stand-in for PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr).
uint64_t peek_available_bytes(winapi::handle_t handle) {
  struct stat status {};
  const int descriptor = static_cast<int>(handle);
  if (::fstat(descriptor, &status) != 0) {
    winapi::set_last_error_from_errno();
    FW_THROW(win32::exception("PeekNamedPipe"));
  }
  if (!S_ISFIFO(status.st_mode)) {
    winapi::set_last_error(winapi::error_invalid_function);  // what PeekNamedPipe reports
    FW_THROW(win32::exception("PeekNamedPipe"), "the standard input is not a pipe");
  }
  int available = 0;
  if (::ioctl(descriptor, FIONREAD, &available) != 0) {
    winapi::set_last_error_from_errno();
    FW_THROW(win32::exception("PeekNamedPipe"));
  }
  return static_cast<uint64_t>(available);
}

}  // namespace

common::handle_holder get_standard_input() {
  const int duplicate = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, first_free_descriptor);
  if (duplicate < 0) return common::handle_holder();
  return common::handle_holder(duplicate);
}

std::vector<uint8_t> read_from_redirected_input(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  if (common::is_no_handle(handle)) FW_THROW(common::application_exception(common::error_invalid_handle_passed));
  const uint64_t available = peek_available_bytes(handle);
  if (available == 0) return {};
  if (available > max_redirected_input_size) {
    FW_THROW(common::application_exception(common::error_message_too_large), "available = ", available);
  }
  std::vector<uint8_t> text(available + 2, 0);
  ssize_t read_count = 0;
  do {
    read_count = ::read(static_cast<int>(handle), text.data(), available);
  } while (read_count < 0 && errno == EINTR);
  if (read_count < 0) {
    winapi::set_last_error_from_errno();
    FW_THROW(win32::exception("ReadFile"));
  }
  if (static_cast<uint64_t>(read_count) != available) {
    FW_THROW(common::application_exception(common::error_unexpected_pipe_read_amount), "available = ", available,
             ", read = ", read_count);
  }
  return text;
}

void make_broken_pipe_writes_fail() { ::signal(SIGPIPE, SIG_IGN); }

// Linux streams have no text mode.
void keep_written_line_ends() {}

}  // namespace process_management
