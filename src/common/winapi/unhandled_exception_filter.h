#pragma once
// Stand-in for SetUnhandledExceptionFilter: handlers for the fatal signals SIGSEGV,
// SIGBUS, SIGILL and SIGFPE, run on an alternate stack so that a stack overflow of the
// installing thread is caught too. Other threads have no alternate stack: their faults
// are handled on their own stacks, and a stack overflow there ends the process by the
// kernel's default action without a report.
//
// A fault runs the filter once per process (crash_guard: a second crashing thread waits),
// then ends the process the way the signal would have (default action, raised again), so
// the parent sees a death by that signal (128 + signal as an exit status: 139 for SIGSEGV).
// The crash watchdog (crash_watchdog.h) is armed before the filter runs.
#include "common/winapi/exception_pointers.h"

namespace winapi {

using top_level_exception_filter = void (*)(const exception_pointers& pointers);

// Replaces the filter of every fatal signal. Raises win32::exception("sigaltstack") or
// ("sigaction") when the handlers cannot be set up.
void set_unhandled_exception_filter(top_level_exception_filter filter);

}  // namespace winapi
