#include "updater_lib/details/https/network_startup.h"

#include <Poco/Net/Net.h>

namespace updater::details {

void start_network_once() {
  // Never undone: the process's sockets may be in use until it ends.
  static const bool started = (Poco::Net::initializeNetwork(), true);
  (void)started;
}

}  // namespace updater::details
