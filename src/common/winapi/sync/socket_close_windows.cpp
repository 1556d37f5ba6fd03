#include "common/winapi/sync/socket_close.h"

namespace winapi {

bool closing_wakes_socket_waiters() { return true; }

}  // namespace winapi
