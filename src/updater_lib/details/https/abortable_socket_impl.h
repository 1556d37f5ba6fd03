#pragma once
// A connection that another thread may abort while its owner is blocked on it. The abort
// shuts it down and wakes the owner's wait but never releases the socket: the owner may
// be about to use its number, which the system would hand to the next socket made. The
// owner alone closes it, and a close waits for an abort in progress.
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocketImpl.h>

#include <mutex>

namespace updater::details {

class abortable_socket_impl : public Poco::Net::StreamSocketImpl {
 public:
  explicit abortable_socket_impl(Poco::Net::SocketAddress::Family family);

  // Safe from another thread, and again and again; does nothing once closed.
  void abort();
  void close() override;

 protected:
  ~abortable_socket_impl() override;

 private:
  std::mutex mutex_;  // between close() and abort(): the socket's number stays while an abort uses it
};

}  // namespace updater::details
