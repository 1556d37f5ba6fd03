#pragma once
// Crash handling of the worker: a fatal fault writes a full-memory dump into the dump
// directory and hands a plain-text report (fault, dump path, loaded modules, memory
// counters) to a callback; an abort hands "SIGABRT was caught." to it.
#include <functional>
#include <string>

#include "common/winapi/crash/exception_pointers.h"

namespace crash_handler {

using crash_report_callback = std::function<void(const std::u16string& report)>;

// Installs the handlers once per process; a second call does nothing. The callback must
// not be empty (std::invalid_argument). When the installation raises, a later call tries
// again.
void install_crash_handlers(const std::u16string& dump_directory, crash_report_callback callback);

// The filter of the fatal signals: builds and hands over the report; the process ends
// after it returns.
void unhandled_exception_filter(const winapi::exception_pointers& pointers);

// The SIGABRT handler: hands over "SIGABRT was caught." and returns, so the abort goes on.
void sigabrt_handler(int signal_number);

}  // namespace crash_handler
