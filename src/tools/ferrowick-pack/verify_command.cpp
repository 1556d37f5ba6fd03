#include <iostream>

#include "commands.h"
#include "common/text.h"
#include "package_text.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/package/public_key_file.h"

namespace pack_tool {

int run_verify(const command_line& arguments) {
  if (arguments.positional.size() != 1) throw usage_error("verify takes one PKG");
  std::vector<std::vector<uint8_t>> public_keys;
  try {
    for (const auto& path : arguments.option_values("--pub", 2)) {
      public_keys.push_back(updater::read_public_key_file("--pub", path));
    }
  } catch (const updater::public_key_file_error& error) {
    throw usage_error(error.what());
  }
  const updater::package opened(common::utf8_to_utf16(arguments.positional.front()),
                                updater::package::mode::open_existing, public_keys, {});
  std::cout << "verified\n" << package_text(opened.get_package_info(), opened.get_files());
  return 0;
}

}  // namespace pack_tool
