#include "updater_lib/details/https/network_library.h"

#include <Poco/Net/Net.h>

namespace updater::details {

void start_network_library() {
  // Started for the rest of the process: the library counts its starts and stops.
  static const bool started = (Poco::Net::initializeNetwork(), true);
  static_cast<void>(started);
}

}  // namespace updater::details
