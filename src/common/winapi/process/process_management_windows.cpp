#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "common/process_management.h"
#include "common/winapi/windows_types.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace process_management {

common::handle_holder get_standard_input() {
  return common::handle_holder(winapi::details::from_native(::GetStdHandle(STD_INPUT_HANDLE)));
}

std::vector<uint8_t> read_from_redirected_input(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  if (common::is_no_handle(handle)) FW_THROW(common::application_exception(common::error_invalid_handle_passed));
  const HANDLE pipe = winapi::details::to_native(handle);
  DWORD available = 0;
  if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) FW_THROW(win32::exception("PeekNamedPipe"));
  if (available == 0) return {};
  if (available > max_redirected_input_size) {
    FW_THROW(common::application_exception(common::error_message_too_large), "available = ", available);
  }
  std::vector<uint8_t> text(available + 2, 0);
  DWORD read_count = 0;
  if (!::ReadFile(pipe, text.data(), available, &read_count, nullptr)) FW_THROW(win32::exception("ReadFile"));
  if (read_count != available) {
    FW_THROW(common::application_exception(common::error_unexpected_pipe_read_amount), "available = ", available,
             ", read = ", read_count);
  }
  return text;
}

// WriteFile into a pipe without a reader fails on Windows anyway; nothing to change.
void make_broken_pipe_writes_fail() {}

void keep_written_line_ends() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

}  // namespace process_management
