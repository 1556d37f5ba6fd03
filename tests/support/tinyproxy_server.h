#pragma once
// tinyproxy as the HTTP proxy of a test: on 127.0.0.1 and a free port, allowing CONNECT
// to any port, optionally asking for basic authentication.
#include <cstdint>
#include <optional>
#include <string>

#include "support/server_process.h"
#include "support/temp_directory.h"

namespace test_support {

// tinyproxy reads both as single words of its configuration: no blanks.
struct proxy_credentials {
  std::string user;
  std::string password;
};

class tinyproxy_server {
 public:
  // Raises std::runtime_error with tinyproxy's own messages when it does not start.
  explicit tinyproxy_server(const std::optional<proxy_credentials>& credentials = std::nullopt);

  uint16_t port() const { return port_; }

 private:
  temp_directory runtime_;  // configuration and log
  uint16_t port_;
  std::optional<server_process> process_;  // declared last: stopped before its folder goes
};

}  // namespace test_support
