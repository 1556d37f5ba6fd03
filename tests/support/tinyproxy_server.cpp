#include "support/tinyproxy_server.h"

#include <fstream>

#include "support/free_port.h"

namespace test_support {

tinyproxy_server::tinyproxy_server(const std::optional<proxy_credentials>& credentials) : port_(free_loopback_port()) {
  const std::filesystem::path configuration = runtime_.path() / "tinyproxy.conf";
  {
    // Without ConnectPort lines CONNECT is allowed to every port. No LogFile: the log goes
    // to standard output, which server_process keeps.
    std::ofstream file(configuration);
    file << "Port " << port_ << "\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 600\nMaxClients 64\nLogLevel Info\n";
    if (credentials) file << "BasicAuth " << credentials->user << ' ' << credentials->password << '\n';
  }
  process_.emplace("tinyproxy", std::vector<std::string>{"-d", "-c", configuration.string()},
                   runtime_.path() / "tinyproxy.log", port_);
}

}  // namespace test_support
