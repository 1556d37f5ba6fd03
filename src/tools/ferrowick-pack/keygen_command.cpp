#include <iostream>

#include "base64_encode.h"
#include "commands.h"
#include "key_files.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package_format.h"

namespace pack_tool {

int run_keygen(const command_line& arguments) {
  if (arguments.positional.size() != 1) throw usage_error("keygen takes one PREFIX");
  const std::string& prefix = arguments.positional.front();
  const openssl::key_pair pair = updater::generate_key_pair(updater::package_format::signature_mode);
  write_new_file(prefix + ".key", pair.private_key);
  write_new_file(prefix + ".pub", pair.public_key);
  std::cout << base64_encode(pair.public_key) << '\n';
  return 0;
}

}  // namespace pack_tool
