#include "common/winapi/crash_watchdog.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace winapi::crash_watchdog {

namespace {

std::atomic<unsigned> dump_seconds{time_limits{}.dump_seconds};
std::atomic<unsigned> report_seconds{time_limits{}.report_seconds};

}  // namespace

void set_time_limits(const time_limits& limits) {
  dump_seconds.store(limits.dump_seconds);
  report_seconds.store(limits.report_seconds);
}

time_limits current_time_limits() { return {dump_seconds.load(), report_seconds.load()}; }

void arm(unsigned seconds) {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  ::sigaction(SIGALRM, &default_action, nullptr);
  // alarm(0) would disarm it.
  ::alarm(seconds == 0 ? 1 : seconds);
}

}  // namespace winapi::crash_watchdog
