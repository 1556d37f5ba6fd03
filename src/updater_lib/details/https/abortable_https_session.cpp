#include "updater_lib/details/https/abortable_https_session.h"

#include <Poco/Buffer.h>
#include <Poco/Net/HTTPClientSession.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/SecureStreamSocket.h>
#include <Poco/Net/SocketDefs.h>

#include <string>

#include "updater_lib/details/https/abortable_socket_impl.h"

namespace updater::details {

namespace {

// The library reads TLS on a socket it believes blocking: the read itself waits for the
// socket's receive time-out, and then the library polls for as long again before it gives
// up. Made non-blocking underneath (the library's own flag still says blocking), the read
// returns at once and only the poll waits: one time-out, renewed whenever data arrives.
void make_reads_wait_once(const Poco::Net::StreamSocket& connection) {
  int non_blocking = 1;
  // Windows defines the request as an unsigned long; the library takes it as its own type.
  connection.impl()->ioctl(static_cast<poco_ioctl_request_t>(FIONBIO), non_blocking);
}

}  // namespace

abortable_https_session::abortable_https_session(Poco::Net::Context::Ptr context)
    : HTTPSClientSession(context), context_(std::move(context)) {}

void abortable_https_session::abort() {
  std::lock_guard lock(mutex_);
  aborted_ = true;
  if (connection_) connection_->abort();
}

void abortable_https_session::connect(const Poco::Net::SocketAddress& address) {
  const bool through_proxy = !getProxyHost().empty();
  const Poco::Net::SocketAddress first_hop =
      through_proxy ? Poco::Net::SocketAddress(getProxyHost(), getProxyPort()) : address;
  Poco::Net::StreamSocket connection = new_connection(first_hop);
  connection.connect(first_hop, getTimeout());
  connection.setReceiveTimeout(getTimeout());
  connection.setSendTimeout(getTimeout());
  connection.setNoDelay(true);
  if (through_proxy) open_tunnel(connection);
  make_reads_wait_once(connection);
  Poco::Net::SecureStreamSocket secure = Poco::Net::SecureStreamSocket::attach(connection, getHost(), context_);
  secure.completeHandshake();
  // What a failed exchange left unread must not be taken for the next response.
  Poco::Buffer<char> leftover(0);
  drainBuffer(leftover);
  attachSocket(secure);
}

Poco::Net::StreamSocket abortable_https_session::new_connection(const Poco::Net::SocketAddress& address) {
  // Made with its descriptor, so that an abort from now on finds something to shut down.
  Poco::AutoPtr<abortable_socket_impl> socket(new abortable_socket_impl(address.family()));
  std::lock_guard lock(mutex_);
  if (aborted_) throw Poco::Net::ConnectionAbortedException("The session was aborted");
  connection_ = socket;
  // The socket takes a reference of its own.
  socket->duplicate();
  return Poco::Net::StreamSocket(socket.get());
}

void abortable_https_session::open_tunnel(const Poco::Net::StreamSocket& connection) {
  Poco::Net::HTTPClientSession tunnel(connection);
  Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_CONNECT, getHost() + ":" + std::to_string(getPort()),
                                 Poco::Net::HTTPMessage::HTTP_1_1);
  request.set("Proxy-Connection", "keep-alive");
  request.set("Host", getHost());
  proxyAuthenticateImpl(request, getProxyConfig());
  tunnel.setKeepAlive(true);
  tunnel.sendRequest(request);
  Poco::Net::HTTPResponse response;
  tunnel.receiveResponse(response);
  if (response.getStatus() != Poco::Net::HTTPResponse::HTTP_OK) {
    throw Poco::Net::HTTPException("Cannot establish proxy connection", response.getReason());
  }
  // The connection goes on as the tunnel; the exchange's session must not close it.
  tunnel.detachSocket();
}

}  // namespace updater::details
