#include <windows.h>

#include "common/winapi/sync/thread_exists.h"

namespace winapi {

// OpenThread fails with 87 (ERROR_INVALID_PARAMETER) for an id no thread has. It opens a
// thread of any process, so a reused id of another process's thread must not count.
bool thread_exists(uint32_t thread_id) {
  const HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread_id);
  if (thread == nullptr) return false;
  const DWORD owner = ::GetProcessIdOfThread(thread);
  ::CloseHandle(thread);
  if (owner == ::GetCurrentProcessId()) return true;
  ::SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

}  // namespace winapi
