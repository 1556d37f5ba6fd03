#include "support/tcp_relay.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace test_support {

namespace {

constexpr size_t block_size = 16384;

bool send_all(int descriptor, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(descriptor, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

ssize_t receive(int descriptor, char* buffer, size_t size) {
  ssize_t received = 0;
  do {
    received = ::recv(descriptor, buffer, size, 0);
  } while (received < 0 && errno == EINTR);
  return received;
}

}  // namespace

struct tcp_relay::connection {
  explicit connection(tcp_socket accepted) : client(std::move(accepted)) {}

  tcp_socket client;
  tcp_socket target;
  std::thread to_target;
  std::thread to_client;
};

tcp_relay::options tcp_relay::cut_after(size_t bytes, size_t faulty_connections, std::function<void()> on_cut) {
  options cut;
  cut.kind = fault::cut;
  cut.after_bytes = bytes;
  cut.faulty_connections = faulty_connections;
  cut.on_cut = std::move(on_cut);
  return cut;
}

tcp_relay::options tcp_relay::stall_after(size_t bytes, size_t faulty_connections, std::function<void()> on_stall) {
  options stall;
  stall.kind = fault::stall;
  stall.after_bytes = bytes;
  stall.faulty_connections = faulty_connections;
  stall.on_stall = std::move(on_stall);
  return stall;
}

tcp_relay::options tcp_relay::refusing() {
  options refuse;
  refuse.kind = fault::refuse;
  return refuse;
}

tcp_relay::tcp_relay(uint16_t target_port, options relay_options)
    : target_port_(target_port), options_(std::move(relay_options)), port_(listener_.bind_loopback()) {
  // A bound socket that does not listen keeps the port from others and refuses every
  // connection.
  if (options_.kind == fault::refuse) return;
  if (::listen(listener_.get(), SOMAXCONN) != 0) {
    throw std::runtime_error(std::string("the relay cannot listen: ") + std::strerror(errno));
  }
  acceptor_ = std::thread([this] { accept_connections(); });
}

tcp_relay::~tcp_relay() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopping_changed_.notify_all();
  // Shutting the listener down wakes the blocked accept; shutting the connections down
  // wakes their blocked receives. The descriptors are closed only after the joins.
  ::shutdown(listener_.get(), SHUT_RDWR);
  if (acceptor_.joinable()) acceptor_.join();
  for (const auto& link : connections_) {
    ::shutdown(link->client.get(), SHUT_RDWR);
    ::shutdown(link->target.get(), SHUT_RDWR);
  }
  for (const auto& link : connections_) {
    link->to_target.join();
    link->to_client.join();
  }
}

void tcp_relay::accept_connections() {
  for (;;) {
    const int accepted = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // the listener was shut down
    }
    auto link = std::make_unique<connection>(tcp_socket(accepted));
    const size_t number = connections_accepted_++;
    if (options_.on_connection) options_.on_connection(number);
    const bool faulty =
        number >= options_.passed_connections && number - options_.passed_connections < options_.faulty_connections;
    // A target that refuses closes the client's connection as well.
    if (!link->target.connect_loopback(target_port_)) continue;
    std::lock_guard lock(mutex_);
    link->to_target = std::thread([this, &link = *link] { forward_to_target(link); });
    link->to_client = std::thread([this, &link = *link, faulty] { forward_to_client(link, faulty); });
    connections_.push_back(std::move(link));
  }
}

void tcp_relay::forward_to_target(connection& link) {
  char buffer[block_size];
  for (;;) {
    const ssize_t received = receive(link.client.get(), buffer, sizeof buffer);
    if (received <= 0 || !send_all(link.target.get(), buffer, static_cast<size_t>(received))) break;
  }
  ::shutdown(link.target.get(), SHUT_WR);
}

void tcp_relay::forward_to_client(connection& link, bool faulty) {
  const bool limited = faulty && (options_.kind == fault::cut || options_.kind == fault::stall);
  char buffer[block_size];
  for (size_t sent = 0;;) {
    if (limited && sent == options_.after_bytes) return apply_fault(link);
    const size_t room = limited ? std::min(sizeof buffer, options_.after_bytes - sent) : sizeof buffer;
    const ssize_t received = receive(link.target.get(), buffer, room);
    if (received <= 0 || !send_all(link.client.get(), buffer, static_cast<size_t>(received))) break;
    sent += static_cast<size_t>(received);
  }
  ::shutdown(link.client.get(), SHUT_WR);
}

void tcp_relay::apply_fault(connection& link) {
  if (options_.kind == fault::cut) {
    if (options_.on_cut) options_.on_cut();
    ::shutdown(link.client.get(), SHUT_RDWR);
    ::shutdown(link.target.get(), SHUT_RDWR);
    return;
  }
  if (options_.on_stall) options_.on_stall();
  std::unique_lock lock(mutex_);
  stopping_changed_.wait(lock, [this] { return stopping_; });
}

}  // namespace test_support
