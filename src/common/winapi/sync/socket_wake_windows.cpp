#include <windows.h>

#include "common/winapi/sync/socket_wake.h"

namespace winapi {

// A socket of the system's providers is a file handle: CancelIoEx reaches the requests
// other threads wait on. Fails with 1168 (ERROR_NOT_FOUND) when nothing is pending, which
// is no fault here: the caller aborts again while its owner may still start a wait.
void wake_socket_waiters(uintptr_t socket) { ::CancelIoEx(reinterpret_cast<HANDLE>(socket), nullptr); }

}  // namespace winapi
