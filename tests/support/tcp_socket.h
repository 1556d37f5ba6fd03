#pragma once
// An IPv4 TCP socket descriptor for the loopback test servers, closed with the object.
#include <cstdint>

namespace test_support {

class tcp_socket {
 public:
  // A new socket, closed on exec so that server processes started later do not hold it.
  tcp_socket();
  // Takes over an open descriptor, such as an accepted connection.
  explicit tcp_socket(int descriptor) : descriptor_(descriptor) {}
  ~tcp_socket();
  tcp_socket(tcp_socket&& other) noexcept;
  tcp_socket& operator=(tcp_socket&&) = delete;
  tcp_socket(const tcp_socket&) = delete;
  tcp_socket& operator=(const tcp_socket&) = delete;

  int get() const { return descriptor_; }

  // Binds to 127.0.0.1:port (0: the system picks one) and returns the bound port; raises
  // std::runtime_error on failure.
  uint16_t bind_loopback(uint16_t port = 0);
  // False when the connection is refused or fails otherwise.
  bool connect_loopback(uint16_t port);

 private:
  int descriptor_;
};

}  // namespace test_support
