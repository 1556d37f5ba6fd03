#include "support/tcp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace test_support {

namespace {

sockaddr_in loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace

tcp_socket::tcp_socket() : descriptor_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  if (descriptor_ < 0) fail("socket");
}

tcp_socket::~tcp_socket() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

tcp_socket::tcp_socket(tcp_socket&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

uint16_t tcp_socket::bind_loopback(uint16_t port) {
  sockaddr_in address = loopback(port);
  socklen_t length = sizeof address;
  if (::bind(descriptor_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    fail("bind to 127.0.0.1:" + std::to_string(port));
  }
  if (::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&address), &length) != 0) fail("getsockname");
  return ntohs(address.sin_port);
}

bool tcp_socket::connect_loopback(uint16_t port) {
  const sockaddr_in address = loopback(port);
  return ::connect(descriptor_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace test_support
