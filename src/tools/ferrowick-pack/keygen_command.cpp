#include <iostream>

#include "commands.h"
#include "common/base64.h"
#include "key_files.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package_format.h"

namespace pack_tool {

int run_keygen(const command_line& arguments) {
  if (arguments.positional.size() != 1) throw usage_error("keygen takes one PREFIX");
  const std::string& prefix = arguments.positional.front();
  const openssl::key_pair pair = updater::generate_key_pair(updater::package_format::signature_mode);
  const std::string text = base64::base64_encode(pair.public_key);
  write_new_file(prefix + ".key", pair.private_key);
  write_new_file(prefix + ".pub", pair.public_key);
  const std::string line = text + "\n";
  write_new_file(prefix + ".pub.b64", std::vector<uint8_t>(line.begin(), line.end()));
  std::cout << text << "\nprivate key: " << prefix << ".key\npublic key: " << prefix << ".pub\n"
            << "public key in Base64 (public_key_txt): " << prefix << ".pub.b64\n";
  return 0;
}

}  // namespace pack_tool
