#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include "process_threads.h"

namespace logger_tests {

// A snapshot lists the threads of every process; 0 when it cannot be taken.
size_t threads_of_this_process() {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
  }
  ::CloseHandle(snapshot);
  return count;
}

}  // namespace logger_tests
