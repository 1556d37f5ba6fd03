#include "common/console_control.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "common/winapi/process/last_error.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace console_control {

namespace {

// Self-pipe: the handler may only make async-signal-safe calls.
int pipe_ends[2] = {-1, -1};
struct sigaction previous_interrupt;
struct sigaction previous_terminate;

void on_signal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(pipe_ends[1], &byte, 1);
  errno = saved;
}

[[noreturn]] void fail() {
  winapi::set_last_error_from_errno();
  FW_THROW(win32::exception("SetConsoleCtrlHandler"));
}

}  // namespace

interrupt_listener::interrupt_listener() {
  if (::pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) fail();
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(SIGINT, &action, &previous_interrupt) != 0 ||
      ::sigaction(SIGTERM, &action, &previous_terminate) != 0) {
    fail();
  }
}

interrupt_listener::~interrupt_listener() {
  ::sigaction(SIGINT, &previous_interrupt, nullptr);
  ::sigaction(SIGTERM, &previous_terminate, nullptr);
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
  pipe_ends[0] = pipe_ends[1] = -1;
}

winapi::handle_t interrupt_listener::wait_handle() const { return pipe_ends[0]; }

bool interrupt_listener::take_interrupts() const {
  bool any = false;
  char buffer[64];
  while (::read(pipe_ends[0], buffer, sizeof buffer) > 0) any = true;
  return any;
}

bool standard_error_is_console() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace console_control
