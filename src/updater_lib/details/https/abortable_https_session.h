#pragma once
// The HTTPS session of every probe and transfer. The library's own session makes a
// proxy's tunnel on a connection of its own that abort() cannot reach, and its TLS reads
// wait twice (the socket's receive time-out, then a poll as long again). This session
// makes the connection itself: abort() shuts down and wakes whatever is in use (the
// connection to the proxy or server, the tunnel, TLS on top of it) without closing it
// (abortable_socket_impl.h), and each blocking step waits for one session time-out at most.
#include <Poco/AutoPtr.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>

#include <mutex>

#include "updater_lib/details/https/abortable_socket_impl.h"

namespace updater::details {

class abortable_https_session : public Poco::Net::HTTPSClientSession {
 public:
  explicit abortable_https_session(Poco::Net::Context::Ptr context);

  // Safe from another thread, and again and again. Sticky: a connection started
  // afterwards fails at once. A connection not made yet or closed is left as it is.
  void abort() override;

 protected:
  // Connects to the server's address, or to the proxy when one is set and asks it for a
  // tunnel to the server, then completes the TLS handshake over the connection.
  void connect(const Poco::Net::SocketAddress& address) override;

 private:
  // Registers a new connection for abort(); raises when abort() came first.
  Poco::Net::StreamSocket new_connection(const Poco::Net::SocketAddress& address);
  void open_tunnel(const Poco::Net::StreamSocket& connection);

  const Poco::Net::Context::Ptr context_;
  std::mutex mutex_;
  Poco::AutoPtr<abortable_socket_impl> connection_;  // guarded by mutex_
  bool aborted_ = false;                             // guarded by mutex_
};

}  // namespace updater::details
