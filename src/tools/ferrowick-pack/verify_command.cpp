#include <iostream>

#include "commands.h"
#include "common/text.h"
#include "key_files.h"
#include "package_text.h"
#include "updater_lib/details/package/package.h"

namespace pack_tool {

int run_verify(const command_line& arguments) {
  if (arguments.positional.size() != 1) throw usage_error("verify takes one PKG");
  const auto public_keys = read_key_files(arguments.option_values("--pub", 2));
  const updater::package opened(common::utf8_to_utf16(arguments.positional.front()),
                                updater::package::mode::open_existing, public_keys, {});
  std::cout << "verified\n" << package_text(opened.get_package_info(), opened.get_files());
  return 0;
}

}  // namespace pack_tool
