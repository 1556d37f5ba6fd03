#pragma once
// Stand-in for SetConsoleCtrlHandler on the service side: while an object lives, Ctrl-C
// (SIGINT) and SIGTERM no longer end the process but are recorded, and a waiter can
// sleep on them (see service_process::wait_for_exit). One object at a time.
namespace console_control {

class interrupt_listener {
 public:
  // Raises the Windows error of "SetConsoleCtrlHandler" when the handlers cannot be set.
  interrupt_listener();
  // Puts the previous handlers back.
  ~interrupt_listener();
  interrupt_listener(const interrupt_listener&) = delete;
  interrupt_listener& operator=(const interrupt_listener&) = delete;

  // A descriptor that becomes readable when an interrupt arrives.
  int descriptor() const;
  // True when interrupts arrived since the last call; forgets them.
  bool take_interrupts() const;
};

// Stand-in for GetConsoleMode on the standard-error handle: true when standard error is
// a console (a terminal), where text without a final line end runs into the prompt.
bool standard_error_is_console();

}  // namespace console_control
