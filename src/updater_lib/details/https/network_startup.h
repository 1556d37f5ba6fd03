#pragma once

namespace updater::details {

// Readies the sockets library once per process before the first name lookup or
// connection: Windows sockets need WSAStartup, which POCO's own initializer would call
// but a static link leaves out. Nothing to do on Linux.
void start_network_once();

}  // namespace updater::details
