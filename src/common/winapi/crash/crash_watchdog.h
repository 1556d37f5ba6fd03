#pragma once
// The watchdog of a crash: a report may wait for a lock the crash left held (a fault
// inside the logger, an abort inside malloc), so the process is ended when the report has
// not finished in time: Windows terminates it with exit code 1460 (ERROR_TIMEOUT) from a
// thread of its own; Linux by SIGALRM (its default action). The dump has its own budget,
// which it checks itself, and the watchdog covers it only as a backstop.
// Async-signal-safe.
namespace winapi::crash_watchdog {

struct time_limits {
  unsigned dump_seconds = 300;
  unsigned report_seconds = 60;
};

// The worker keeps the defaults; the crash tests shorten them.
void set_time_limits(const time_limits& limits);
time_limits current_time_limits();

// Readies the watchdog while the process is healthy: Windows starts its thread, which a
// crash holding the heap or loader lock could not start (raises win32::exception
// "CreateThread"); Linux needs nothing. Once per process; later calls do nothing.
void prepare();

// Arms the watchdog, replacing any earlier time: the process ends seconds from now.
void arm(unsigned seconds);

}  // namespace winapi::crash_watchdog
