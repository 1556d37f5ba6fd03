#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>

#include "common/text.h"
#include "common/winapi/crash/minidump.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/windows_types.h"

namespace winapi {

namespace {

struct dump_budget {
  ULONGLONG deadline = 0;
  bool expired = false;
};

// Gives up the dump at its deadline; every other question keeps what dbghelp would do
// without a callback.
BOOL CALLBACK check_dump_budget(PVOID parameter, PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT output) {
  switch (input->CallbackType) {
    case CancelCallback: {
      auto& budget = *static_cast<dump_budget*>(parameter);
      budget.expired = budget.expired || ::GetTickCount64() >= budget.deadline;
      output->Cancel = budget.expired;
      output->CheckCancel = TRUE;
      return TRUE;
    }
    case IncludeModuleCallback:
    case IncludeThreadCallback:
    case ModuleCallback:
    case ThreadCallback:
    case ThreadExCallback: return TRUE;
    case ReadMemoryFailureCallback:
      // Memory that cannot be read is left out, as without a callback.
      output->Status = S_OK;
      return TRUE;
    default:
      // No memory of its own to add or remove.
      return FALSE;
  }
}

}  // namespace

handle_t create_dump_file(const char* path, uint32_t& error) {
  const std::optional<std::wstring> native = details::to_windows_path(common::utf8_to_utf16(path));
  HANDLE file = native ? ::CreateFileW(native->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr)
                       : INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return invalid_handle_value;
  }
  return details::from_native(file);
}

bool write_dump(handle_t file, const exception_pointers& pointers, unsigned budget_seconds, uint32_t& error) {
  MINIDUMP_EXCEPTION_INFORMATION exception{::GetCurrentThreadId(), const_cast<EXCEPTION_POINTERS*>(pointers.native),
                                           FALSE};
  dump_budget budget{::GetTickCount64() + ULONGLONG{budget_seconds} * 1000};
  MINIDUMP_CALLBACK_INFORMATION callback{check_dump_budget, &budget};
  if (::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), details::to_native(file),
                          MiniDumpWithFullMemory, pointers.native != nullptr ? &exception : nullptr, nullptr,
                          &callback)) {
    return true;
  }
  // A cancelled dump fails with HRESULT_FROM_WIN32(ERROR_CANCELLED); the budget names its cause.
  error = budget.expired ? error_timeout : ::GetLastError();
  return false;
}

void close_dump_file(handle_t file) { ::CloseHandle(details::to_native(file)); }

}  // namespace winapi
