#include <iostream>

#include "commands.h"
#include "common/base64.h"
#include "updater_lib/details/package/built_in_key.h"

namespace pack_tool {

int run_built_in_key(const command_line& arguments) {
  if (!arguments.positional.empty()) throw usage_error("built-in-key takes no arguments");
  std::cout << base64::base64_encode(updater::get_binary_public_key()) << '\n';
  return 0;
}

}  // namespace pack_tool
