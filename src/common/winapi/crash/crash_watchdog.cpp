#include "common/winapi/crash/crash_watchdog.h"

#include <signal.h>
#include <unistd.h>

namespace winapi::crash_watchdog {

// alarm needs nothing beforehand.
void prepare() {}

void arm(unsigned seconds) {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  ::sigaction(SIGALRM, &default_action, nullptr);
  // alarm(0) would disarm it.
  ::alarm(seconds == 0 ? 1 : seconds);
}

}  // namespace winapi::crash_watchdog
