#include "common/winapi/sync/socket_wake.h"

namespace winapi {

void wake_socket_waiters(uintptr_t) {}

}  // namespace winapi
