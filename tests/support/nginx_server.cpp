#include "support/nginx_server.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "support/free_port.h"

namespace test_support {

namespace {

std::string fill_template(const std::filesystem::path& path, const std::map<std::string, std::string>& values) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read the nginx configuration template " + path.string());
  std::ostringstream content;
  content << file.rdbuf();
  std::string text = content.str();
  for (const auto& [name, value] : values) {
    const std::string placeholder = "@" + name + "@";
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size())) {
      text.replace(at, placeholder.size(), value);
    }
  }
  return text;
}

}  // namespace

nginx_server::nginx_server(const nginx_options& options) : port_(free_loopback_port()) {
  const std::filesystem::path configuration = runtime_.path() / "nginx.conf";
  const std::filesystem::path error_log = runtime_.path() / "error.log";
  std::ofstream(configuration) << fill_template(options.configuration_template,
                                                {{"ADDRESS", "127.0.0.1"},
                                                 {"PORT", std::to_string(port_)},
                                                 {"DOCUMENT_ROOT", options.document_root.string()},
                                                 {"CERTIFICATE", options.certificate.certificate_file.string()},
                                                 {"CERTIFICATE_KEY", options.certificate.key_file.string()},
                                                 {"RUNTIME_DIR", runtime_.path().string()},
                                                 {"EXTRA_DIRECTIVES", options.extra_directives}});
  // One process in the foreground: nothing is left behind when it is stopped, and no
  // worker drops to an account that cannot read the private test folders.
  process_.emplace("nginx",
                   std::vector<std::string>{"-c", configuration.string(), "-e", error_log.string(), "-g",
                                            "daemon off; master_process off;"},
                   error_log, port_);
}

}  // namespace test_support
