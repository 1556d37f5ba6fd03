#pragma once
// How an abort from another thread reaches a connection whose owner may be blocked on it,
// without releasing the socket: the owner still uses its number, and a closed number may
// be handed to the next socket made, so only the owner closes it.
#include <cstdint>

namespace winapi {

// Called after the socket was shut down. Windows: a shutdown does not end another
// thread's wait in select, WSAPoll or recv, so CancelIoEx cancels the socket's pending
// requests (they fail with 995, ERROR_OPERATION_ABORTED). Linux: the shutdown has woken
// every waiter already; nothing more to do.
void wake_socket_waiters(uintptr_t socket);

}  // namespace winapi
