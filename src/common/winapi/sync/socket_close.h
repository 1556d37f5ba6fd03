#pragma once
// How an abort reaches a connection that another thread is waiting on.

namespace winapi {

// True when the aborted connection must also be closed: on Windows only closing a socket
// ends another thread's wait in select on it. On Linux shutting it down wakes the waiter,
// while closing would leave it waiting and free the descriptor's number for reuse.
bool closing_wakes_socket_waiters();

}  // namespace winapi
