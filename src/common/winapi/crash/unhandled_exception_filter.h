#pragma once
// SetUnhandledExceptionFilter: a filter for the faults no handler caught. It runs once per
// process on the faulting thread (crash_guard: a second crashing thread waits, a fault
// inside the filter ends the process at once); the crash watchdog (crash_watchdog.h) is
// armed before it runs. A stack overflow is caught on the installing thread only, which
// gets room for the filter (Windows: SetThreadStackGuarantee; Linux: an alternate
// stack); on another thread it ends the process without a report.
//
// Windows: the process then ends with the exception code as its exit code.
// Linux stand-in: handlers for the fatal signals SIGSEGV, SIGBUS, SIGILL and SIGFPE;
// the process ends the way the signal would have (default action, raised again), so the
// parent sees a death by that signal (128 + signal as an exit status: 139 for SIGSEGV).
#include "common/winapi/crash/exception_pointers.h"

namespace winapi {

using top_level_exception_filter = void (*)(const exception_pointers& pointers);

// Replaces the filter. Raises win32::exception naming the call (Windows
// "SetThreadStackGuarantee"; Linux "mmap", "mprotect", "sigaltstack", "sigaction") when it
// cannot be set up.
void set_unhandled_exception_filter(top_level_exception_filter filter);

}  // namespace winapi
