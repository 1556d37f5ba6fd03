#pragma once
// nginx as the update server of a test: the publisher's configuration
// (demo/nginx/update-server.conf) on 127.0.0.1 and a free port, serving a document root
// over TLS with a given certificate.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "support/server_process.h"
#include "support/temp_directory.h"
#include "support/tls_certificate.h"

namespace test_support {

// Extra directives that make nginx send static files with chunked transfer encoding and
// no Content-Length (and so without byte ranges), keeping Last-Modified. The bodies are
// unchanged as long as no served file holds the searched text.
inline constexpr char chunked_body_directives[] =
    "sub_filter_types *; sub_filter_last_modified on; sub_filter ferrowick-text-in-no-served-file '';";

struct nginx_options {
  std::filesystem::path configuration_template;  // FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf"
  std::filesystem::path document_root;           // holds update/<version>/...
  tls_certificate certificate;
  std::string extra_directives;  // server level, e.g. "limit_rate 64k;" or "max_ranges 0;"
};

class nginx_server {
 public:
  // Raises std::runtime_error with nginx's own messages when it does not start.
  explicit nginx_server(const nginx_options& options);

  uint16_t port() const { return port_; }

 private:
  temp_directory runtime_;  // configuration, pid file, logs and temporary files
  uint16_t port_;
  std::optional<server_process> process_;  // declared last: stopped before its folder goes
};

}  // namespace test_support
