#include <windows.h>

#include <atomic>

#include "common/winapi/crash/crash_guard.h"
#include "common/winapi/crash/crash_watchdog.h"
#include "common/winapi/crash/unhandled_exception_filter.h"
#include "error_lib/win32_exception.h"

namespace winapi {

namespace {

// Stack left to the filter after a stack overflow of the installing thread: room for the
// dump writer, the report text and the logger.
constexpr ULONG overflow_stack_guarantee = 256 << 10;

// Records nested deeper are left out of the report.
constexpr size_t record_limit = 16;

std::atomic<top_level_exception_filter> installed_filter{nullptr};

exception_record record_of(const EXCEPTION_RECORD& native) {
  exception_record record;
  record.exception_code = native.ExceptionCode;
  record.exception_flags = native.ExceptionFlags;
  record.exception_address = reinterpret_cast<uintptr_t>(native.ExceptionAddress);
  const bool memory_fault =
      native.ExceptionCode == EXCEPTION_ACCESS_VIOLATION || native.ExceptionCode == EXCEPTION_IN_PAGE_ERROR;
  if (memory_fault && native.NumberParameters >= 2) record.data_address = native.ExceptionInformation[1];
  return record;
}

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* native) {
  // A fault inside the own report ends the process at once.
  if (!crash_guard::claim()) return EXCEPTION_EXECUTE_HANDLER;
  // The filter re-arms it for the report once the dump is written.
  const crash_watchdog::time_limits limits = crash_watchdog::current_time_limits();
  crash_watchdog::arm(limits.dump_seconds + limits.report_seconds);
  exception_record nested[record_limit];
  exception_pointers pointers;
  pointers.native = native;
  exception_record* last = nullptr;
  size_t count = 0;
  for (const EXCEPTION_RECORD* record = native->ExceptionRecord; record != nullptr && count < record_limit;
       record = record->ExceptionRecord) {
    exception_record& copy = count == 0 ? pointers.record : nested[count - 1];
    copy = record_of(*record);
    if (last != nullptr) last->chained = &copy;
    last = &copy;
    ++count;
  }
  if (const top_level_exception_filter filter = installed_filter.load()) filter(pointers);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void set_unhandled_exception_filter(top_level_exception_filter filter) {
  ULONG guarantee = overflow_stack_guarantee;
  if (!::SetThreadStackGuarantee(&guarantee)) throw win32::exception("SetThreadStackGuarantee");
  installed_filter.store(filter);
  ::SetUnhandledExceptionFilter(on_unhandled_exception);
}

}  // namespace winapi
