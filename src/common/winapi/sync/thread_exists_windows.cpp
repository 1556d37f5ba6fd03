#include <windows.h>

#include "common/winapi/sync/thread_exists.h"

namespace winapi {

// OpenThread fails with 87 (ERROR_INVALID_PARAMETER) for an id no thread has.
bool thread_exists(uint32_t thread_id) {
  const HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, thread_id);
  if (thread == nullptr) return false;
  ::CloseHandle(thread);
  return true;
}

}  // namespace winapi
