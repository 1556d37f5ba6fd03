#pragma once
// Loopback ports for the test servers.
#include <cstdint>

namespace test_support {

// A TCP port of 127.0.0.1 that nothing uses at the time of the call (the system's pick
// for port 0).
uint16_t free_loopback_port();

// True when something accepts a TCP connection on 127.0.0.1:port.
bool accepts_connections(uint16_t port);

}  // namespace test_support
