#include "support/free_port.h"

#include "support/tcp_socket.h"

namespace test_support {

uint16_t free_loopback_port() { return tcp_socket().bind_loopback(); }

bool accepts_connections(uint16_t port) { return tcp_socket().connect_loopback(port); }

}  // namespace test_support
