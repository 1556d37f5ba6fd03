#include "common/service_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "common/text.h"
#include "common/winapi/last_error.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

extern char** environ;

namespace service_process {

namespace {

[[noreturn]] void fail(const char* call, int error_number) {
  errno = error_number;
  winapi::set_last_error_from_errno();
  FW_THROW(win32::exception(call));
}

class descriptor {
 public:
  explicit descriptor(int value = -1) : value_(value) {}
  ~descriptor() {
    if (value_ >= 0) ::close(value_);
  }
  descriptor(const descriptor&) = delete;
  descriptor& operator=(const descriptor&) = delete;
  int get() const { return value_; }
  void reset() {
    if (value_ >= 0) ::close(value_);
    value_ = -1;
  }
  int release() { return std::exchange(value_, -1); }

 private:
  int value_;
};

// Fills the pipe completely before the reader exists; a pipe too small is widened.
void preload(int write_end, const std::vector<uint8_t>& input) {
  const int capacity = ::fcntl(write_end, F_GETPIPE_SZ);
  if (capacity >= 0 && input.size() > static_cast<size_t>(capacity)) {
    if (input.size() > INT_MAX || ::fcntl(write_end, F_SETPIPE_SZ, static_cast<int>(input.size())) < 0) {
      FW_THROW(common::application_exception(common::error_message_too_large), "input size = ", input.size());
    }
  }
  size_t written = 0;
  while (written < input.size()) {
    const ssize_t count = ::write(write_end, input.data() + written, input.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) fail("WriteFile", errno);
    written += static_cast<size_t>(count);
  }
}

int spawn(const std::string& program, int standard_input, int standard_error) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, standard_input, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, standard_error, STDERR_FILENO);
  // A process group of its own, with default signal dispositions.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  pid_t process_id = -1;
  char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
  const int result = ::posix_spawn(&process_id, program.c_str(), &actions, &attributes, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) fail("CreateProcessW", result);
  return process_id;
}

int poll_timeout(std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
}

}  // namespace

worker_process::worker_process(const std::u16string& program, const std::vector<uint8_t>& input) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) fail("CreatePipe", errno);
  descriptor read_end(ends[0]);
  descriptor write_end(ends[1]);
  preload(write_end.get(), input);
  write_end.reset();
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) fail("CreatePipe", errno);
  descriptor error_read_end(ends[0]);
  const descriptor error_write_end(ends[1]);
  process_id_ = spawn(common::utf16_to_utf8(program), read_end.get(), error_write_end.get());
  process_descriptor_ = static_cast<int>(::syscall(SYS_pidfd_open, process_id_, 0));
  if (process_descriptor_ < 0) {
    const int error_number = errno;
    ::kill(process_id_, SIGKILL);
    ::waitpid(process_id_, nullptr, 0);
    fail("OpenProcess", error_number);
  }
  error_descriptor_ = error_read_end.release();
}

worker_process::~worker_process() {
  if (!status_) {
    ::kill(process_id_, SIGKILL);
    ::waitpid(process_id_, nullptr, 0);
  }
  ::close(process_descriptor_);
  if (error_descriptor_ >= 0) ::close(error_descriptor_);
}

// Everything the pipe holds now. A caller whose standard error is gone loses the text,
// not the wait.
void worker_process::pass_on_standard_error() {
  if (error_descriptor_ < 0) return;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(error_descriptor_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    last_error_byte_ = buffer[count - 1];
    for (ssize_t written = 0; written < count;) {
      const ssize_t done = ::write(STDERR_FILENO, buffer + written, static_cast<size_t>(count - written));
      if (done < 0 && errno == EINTR) continue;
      if (done < 0) break;
      written += done;
    }
  }
}

wait_outcome worker_process::wait(const console_control::interrupt_listener& interrupts,
                                  std::optional<std::chrono::steady_clock::time_point> deadline) {
  for (;;) {
    pollfd watched[3] = {
        {process_descriptor_, POLLIN, 0}, {interrupts.descriptor(), POLLIN, 0}, {error_descriptor_, POLLIN, 0}};
    const int ready = ::poll(watched, 3, poll_timeout(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) fail("WaitForMultipleObjects", errno);
    if (watched[2].revents != 0) {
      pass_on_standard_error();
      // The worker has closed its end: only the process is left to wait for.
      if ((watched[2].revents & POLLIN) == 0) {
        ::close(error_descriptor_);
        error_descriptor_ = -1;
      }
    }
    if (watched[0].revents != 0) {
      pass_on_standard_error();
      int status = 0;
      if (::waitpid(process_id_, &status, 0) < 0) fail("GetExitCodeProcess", errno);
      status_ = status;
      return wait_outcome::exited;
    }
    if (watched[1].revents != 0 && interrupts.take_interrupts()) return wait_outcome::interrupted;
    if (ready == 0) return wait_outcome::deadline_passed;
  }
}

int worker_process::exit_status() const {
  if (!status_) return -1;
  if (WIFSIGNALED(*status_)) return 128 + WTERMSIG(*status_);
  return WEXITSTATUS(*status_);
}

}  // namespace service_process
