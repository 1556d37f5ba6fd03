#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>
#include <sddl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/winapi/crash/minidump.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/windows_types.h"
#include "error_lib/win32_exception.h"

namespace winapi {

namespace {

// Full access for the file's owner, LocalSystem and Administrators; protected ("P"), so
// that none of the folder's entries (Users may read below C:\ProgramData) are inherited.
constexpr wchar_t dump_file_access[] = L"D:P(A;;FA;;;OW)(A;;FA;;;SY)(A;;FA;;;BA)";

// Made while the process is healthy and kept for its life: the crash allocates nothing.
PSECURITY_DESCRIPTOR dump_file_descriptor = nullptr;
// The dump folder's path and a backslash, then room for the file name and its NUL.
std::vector<wchar_t> dump_path;
size_t dump_folder_length = 0;
uint32_t dump_folder_error = error_path_not_found;

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

void prepare_dump_folder(std::u16string_view folder) {
  if (dump_file_descriptor == nullptr && !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                             dump_file_access, SDDL_REVISION_1, &dump_file_descriptor, nullptr)) {
    throw win32::exception("ConvertStringSecurityDescriptorToSecurityDescriptorW");
  }
  dump_path.clear();
  dump_folder_length = 0;
  dump_folder_error = error_path_not_found;
  if (folder.empty()) return;
  // The longest file name decides whether the file's path needs the long form.
  std::u16string longest_file(folder);
  longest_file += u'\\';
  longest_file.append(longest_dump_file_name, u'x');
  const std::optional<std::wstring> native = details::to_windows_path(longest_file);
  if (!native) {
    dump_folder_error = ::GetLastError();
    return;
  }
  dump_path.assign(native->begin(), native->end());
  dump_path.push_back(L'\0');
  dump_folder_length = native->size() - longest_dump_file_name;
}

handle_t create_dump_file(std::string_view file_name, uint32_t& error) {
  if (dump_path.empty()) {
    error = dump_folder_error;
    return invalid_handle_value;
  }
  if (file_name.size() > longest_dump_file_name) {
    error = error_filename_exced_range;
    return invalid_handle_value;
  }
  *std::copy(file_name.begin(), file_name.end(), dump_path.data() + dump_folder_length) = L'\0';
  SECURITY_ATTRIBUTES attributes{sizeof attributes, dump_file_descriptor, FALSE};
  // CREATE_NEW: an existing file would keep its own access list, and a link would be followed.
  const HANDLE file = ::CreateFileW(dump_path.data(), GENERIC_READ | GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
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
