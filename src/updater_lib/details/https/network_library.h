#pragma once

namespace updater::details {

// Starts the sockets of the HTTP library once per process, before the first download.
// The library would start them from a static initializer of its own, which a static link
// leaves out when nothing else of that object is used (Windows then answers every socket
// call with "Net subsystem not initialized"); elsewhere the start does nothing.
void start_network_library();

}  // namespace updater::details
