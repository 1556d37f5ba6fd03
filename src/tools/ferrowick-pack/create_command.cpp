#include <iostream>

#include "commands.h"
#include "common/text.h"
#include "key_files.h"
#include "package_output.h"

namespace pack_tool {

int run_create(const command_line& arguments) {
  if (arguments.positional.size() < 2) throw usage_error("create needs OUT and at least one FILE");
  const std::u16string output = common::utf8_to_utf16(arguments.positional.front());
  const auto private_keys = read_key_files(arguments.option_values("--key", 2));
  const auto files = package_inputs({arguments.positional.begin() + 1, arguments.positional.end()}, output);
  write_package(output, files, private_keys);
  std::cout << "created " << arguments.positional.front() << " with " << files.size() << " files\n";
  return 0;
}

}  // namespace pack_tool
