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
#include <string_view>
#include <utility>

#include "common/text.h"
#include "common/winapi/process/last_error.h"
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

int spawn(const std::string& program, int standard_input, int standard_output, int standard_error) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, standard_input, STDIN_FILENO);
  if (standard_output >= 0) posix_spawn_file_actions_adddup2(&actions, standard_output, STDOUT_FILENO);
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

// Everything the pipe holds now goes to target; each chunk is shown to observe first.
// A caller whose target is gone loses the text, not the wait.
template <typename Observe>
void pass_on(int source, int target, Observe observe) {
  if (source < 0) return;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(source, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    observe(std::string_view(buffer, static_cast<size_t>(count)));
    for (ssize_t written = 0; written < count;) {
      const ssize_t done = ::write(target, buffer + written, static_cast<size_t>(count - written));
      if (done < 0 && errno == EINTR) continue;
      if (done < 0) break;
      written += done;
    }
  }
}

// The pipe's end has been closed by the worker once poll reports it without data.
void close_when_hung_up(int& source, short events) {
  if ((events & POLLIN) != 0) return;
  ::close(source);
  source = -1;
}

int poll_timeout(std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
}

}  // namespace

struct worker_process::system_handles {
  int process_id = -1;
  int process_descriptor = -1;
  int output_descriptor = -1;
  int error_descriptor = -1;
};

std::u16string program_file_name(std::u16string_view base_name) { return std::u16string(base_name); }

std::vector<std::u16string_view> other_worker_folders() { return {u"../ferrowick/", u"../lib/ferrowick/"}; }

int status_of_worker_code(int worker_code) { return worker_code & 0xFF; }

worker_process::worker_process(const std::u16string& program, const std::vector<uint8_t>& input,
                               bool keep_first_output_line)
    : system_(std::make_unique<system_handles>()) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) fail("CreatePipe", errno);
  descriptor read_end(ends[0]);
  descriptor write_end(ends[1]);
  preload(write_end.get(), input);
  write_end.reset();
  // Only the runner's end of the output pipe waits for nothing; the worker's writes block.
  int output_ends[2] = {-1, -1};
  if (keep_first_output_line && ::pipe2(output_ends, O_CLOEXEC) != 0) fail("CreatePipe", errno);
  descriptor output_read_end(output_ends[0]);
  const descriptor output_write_end(output_ends[1]);
  if (keep_first_output_line && ::fcntl(output_read_end.get(), F_SETFL, O_NONBLOCK) != 0) fail("CreatePipe", errno);
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) fail("CreatePipe", errno);
  descriptor error_read_end(ends[0]);
  const descriptor error_write_end(ends[1]);
  system_handles& system = *system_;
  system.process_id =
      spawn(common::utf16_to_utf8(program), read_end.get(), output_write_end.get(), error_write_end.get());
  system.process_descriptor = static_cast<int>(::syscall(SYS_pidfd_open, system.process_id, 0));
  if (system.process_descriptor < 0) {
    const int error_number = errno;
    ::kill(system.process_id, SIGKILL);
    ::waitpid(system.process_id, nullptr, 0);
    fail("OpenProcess", error_number);
  }
  system.output_descriptor = output_read_end.release();
  system.error_descriptor = error_read_end.release();
}

worker_process::~worker_process() {
  const system_handles& system = *system_;
  if (!status_) {
    ::kill(system.process_id, SIGKILL);
    ::waitpid(system.process_id, nullptr, 0);
  }
  ::close(system.process_descriptor);
  if (system.output_descriptor >= 0) ::close(system.output_descriptor);
  if (system.error_descriptor >= 0) ::close(system.error_descriptor);
}

void worker_process::pass_on_standard_output() {
  pass_on(system_->output_descriptor, STDOUT_FILENO, [this](std::string_view text) { observe_standard_output(text); });
}

void worker_process::pass_on_standard_error() {
  pass_on(system_->error_descriptor, STDERR_FILENO, [this](std::string_view text) { observe_standard_error(text); });
}

wait_outcome worker_process::wait(const console_control::interrupt_listener& interrupts,
                                  std::optional<std::chrono::steady_clock::time_point> deadline) {
  for (;;) {
    // A negative descriptor (no pipe, or one the worker has closed) is not polled.
    system_handles& system = *system_;
    pollfd watched[4] = {{system.process_descriptor, POLLIN, 0},
                         {static_cast<int>(interrupts.wait_handle()), POLLIN, 0},
                         {system.error_descriptor, POLLIN, 0},
                         {system.output_descriptor, POLLIN, 0}};
    const int ready = ::poll(watched, 4, poll_timeout(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) fail("WaitForMultipleObjects", errno);
    if (watched[2].revents != 0) {
      pass_on_standard_error();
      close_when_hung_up(system.error_descriptor, watched[2].revents);
    }
    if (watched[3].revents != 0) {
      pass_on_standard_output();
      close_when_hung_up(system.output_descriptor, watched[3].revents);
    }
    if (watched[0].revents != 0) {
      pass_on_standard_output();
      pass_on_standard_error();
      int status = 0;
      if (::waitpid(system.process_id, &status, 0) < 0) fail("GetExitCodeProcess", errno);
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
