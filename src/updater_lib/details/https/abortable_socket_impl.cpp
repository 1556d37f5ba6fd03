#include "updater_lib/details/https/abortable_socket_impl.h"

#include <Poco/Exception.h>

#include <cstdint>

#include "common/winapi/sync/socket_wake.h"

namespace updater::details {

abortable_socket_impl::abortable_socket_impl(Poco::Net::SocketAddress::Family family) : StreamSocketImpl(family) {}

abortable_socket_impl::~abortable_socket_impl() { close(); }

void abortable_socket_impl::abort() {
  std::lock_guard lock(mutex_);
  if (!initialized()) return;
  try {
    shutdown();
  } catch (const Poco::Exception&) {
    // Not connected yet, or shut down by an earlier abort: the wake-up still matters.
  }
  winapi::wake_socket_waiters(static_cast<uintptr_t>(sockfd()));
}

void abortable_socket_impl::close() {
  std::lock_guard lock(mutex_);
  StreamSocketImpl::close();
}

}  // namespace updater::details
