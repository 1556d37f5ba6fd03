#include <atomic>

#include "common/winapi/crash/crash_watchdog.h"

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

}  // namespace winapi::crash_watchdog
