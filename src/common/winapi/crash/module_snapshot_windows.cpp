#include <windows.h>
// tlhelp32.h needs windows.h first.
#include <tlhelp32.h>

#include "common/winapi/crash/module_snapshot.h"
#include "common/winapi/windows_types.h"

namespace winapi {

namespace {

// The snapshot fails with ERROR_BAD_LENGTH while the loader changes the module list;
// the call is to be repeated then.
constexpr int snapshot_attempts = 8;

HANDLE take_snapshot() {
  HANDLE snapshot = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < snapshot_attempts; ++attempt) {
    snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, 0);
    if (snapshot != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_BAD_LENGTH) break;
  }
  return snapshot;
}

}  // namespace

std::optional<std::vector<module_entry>> snapshot_modules() {
  const HANDLE snapshot = take_snapshot();
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<module_entry> modules;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL found = ::Module32FirstW(snapshot, &entry); found; found = ::Module32NextW(snapshot, &entry)) {
    modules.push_back({details::from_wide(entry.szModule), details::from_wide(entry.szExePath),
                       reinterpret_cast<uintptr_t>(entry.modBaseAddr), entry.modBaseSize});
  }
  ::CloseHandle(snapshot);
  return modules;
}

}  // namespace winapi
