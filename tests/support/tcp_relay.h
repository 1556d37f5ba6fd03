#pragma once
// An in-process TCP relay on 127.0.0.1 in front of a loopback port, for the network
// faults a real server does not produce on demand: a connection cut or stalled after a
// number of bytes, or a port where nothing listens.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/tcp_socket.h"

namespace test_support {

class tcp_relay {
 public:
  enum class fault {
    none,    // everything passes through
    cut,     // both sides are closed once after_bytes went to the client
    stall,   // nothing more goes to the client after after_bytes; the connection stays
             // open until the relay is destroyed
    refuse,  // nothing listens on the relay's port: connections are refused
  };

  struct options {
    fault kind = fault::none;
    // Bytes on the wire towards the client, TLS records and HTTP headers included.
    size_t after_bytes = 0;
    // Only the first connections get the fault; later ones pass through.
    size_t faulty_connections = std::numeric_limits<size_t>::max();
    // Connections before these pass through too: the fault begins with connection
    // number passed_connections (counting from 0).
    size_t passed_connections = 0;
    // Runs on a relay thread before each cut connection is closed, so a change it makes
    // (for example to a served file) is in place when the client sees the cut. Must not
    // throw.
    std::function<void()> on_cut;
    // Runs on a relay thread when a connection's stall begins (tests set the stop event
    // there, so it comes while a read is blocked). Must not throw.
    std::function<void()> on_stall;
    // Runs on the acceptor thread with each connection's number, counting from 0, before
    // the connection is relayed. Must not throw.
    std::function<void(size_t)> on_connection;
  };

  // Cuts the first faulty_connections connections after bytes, running on_cut first.
  static options cut_after(size_t bytes, size_t faulty_connections = std::numeric_limits<size_t>::max(),
                           std::function<void()> on_cut = {});
  // Stalls the first faulty_connections connections after bytes, running on_stall then.
  static options stall_after(size_t bytes, size_t faulty_connections = std::numeric_limits<size_t>::max(),
                             std::function<void()> on_stall = {});
  static options refusing();

  // Listens at once on a port of its own (for fault::refuse: only binds it); raises
  // std::runtime_error when it cannot.
  tcp_relay(uint16_t target_port, options relay_options);
  // Closes every connection, stalled ones included, and joins the relay's threads.
  ~tcp_relay();
  tcp_relay(const tcp_relay&) = delete;
  tcp_relay& operator=(const tcp_relay&) = delete;

  uint16_t port() const { return port_; }
  size_t connections_accepted() const { return connections_accepted_; }

 private:
  struct connection;
  void accept_connections();
  void forward_to_target(connection& link);
  void forward_to_client(connection& link, bool faulty);
  void apply_fault(connection& link);

  const uint16_t target_port_;
  const options options_;
  tcp_socket listener_;
  uint16_t port_;
  std::atomic<size_t> connections_accepted_ = 0;
  std::mutex mutex_;
  std::condition_variable stopping_changed_;
  bool stopping_ = false;                                 // guarded by mutex_
  std::vector<std::unique_ptr<connection>> connections_;  // guarded by mutex_ until the acceptor ends
  std::thread acceptor_;
};

}  // namespace test_support
