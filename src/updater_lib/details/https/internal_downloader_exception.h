#pragma once
// An error of the downloader that carries whether trying another proxy variant is
// pointless (is_final): a file missing on the server or a server of another component.
#include <string>

#include "error_lib/application_exception.h"

namespace updater::details {

class internal_downloader_exception : public common::application_exception {
 public:
  // Final: 5651, a certificate of another component.
  explicit internal_downloader_exception(int code);
  // Final: 5655 with the file's URL.
  internal_downloader_exception(int code, const std::u16string& url);
  // Not final: 5652 and 5653 with an address and a port.
  internal_downloader_exception(int code, const std::u16string& address, const std::u16string& port);
  // Not final: 5654 with the server's and the proxy's address and port.
  internal_downloader_exception(int code, const std::u16string& server_address, const std::u16string& server_port,
                                const std::u16string& proxy_address, const std::u16string& proxy_port);

  bool is_final() const { return is_final_; }

 private:
  bool is_final_;
};

}  // namespace updater::details
