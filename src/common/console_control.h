#pragma once
// Stand-in for SetConsoleCtrlHandler on the service side: while an object lives, Ctrl-C
// (SIGINT) and SIGTERM (on Windows Ctrl-C and Ctrl-Break) no longer end the process but
// are recorded, and a waiter can sleep on them (see service_process::worker_process::wait).
// One object at a time.
#include "common/winapi/process/handle.h"

namespace console_control {

class interrupt_listener {
 public:
  // Raises the Windows error of "SetConsoleCtrlHandler" when the handlers cannot be set.
  interrupt_listener();
  // Puts the previous handlers back.
  ~interrupt_listener();
  interrupt_listener(const interrupt_listener&) = delete;
  interrupt_listener& operator=(const interrupt_listener&) = delete;

  // A handle that becomes ready when an interrupt arrives: a descriptor to poll on Linux,
  // an event to wait for on Windows.
  winapi::handle_t wait_handle() const;
  // True when interrupts arrived since the last call; forgets them.
  bool take_interrupts() const;
};

// Stand-in for GetConsoleMode on the standard-error handle: true when standard error is
// a console (a terminal), where text without a final line end runs into the prompt.
bool standard_error_is_console();

}  // namespace console_control
