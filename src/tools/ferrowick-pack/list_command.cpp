#include <iostream>

#include "commands.h"
#include "common/text.h"
#include "package_text.h"
#include "updater_lib/details/package/package_inspection.h"

namespace pack_tool {

int run_list(const command_line& arguments) {
  if (arguments.positional.size() != 1) throw usage_error("list takes one PKG");
  const updater::package_layout layout =
      updater::read_package_layout_without_verification(common::utf8_to_utf16(arguments.positional.front()));
  std::cout << "signed length: " << layout.signed_length << '\n' << package_text(layout.info, layout.files);
  return 0;
}

}  // namespace pack_tool
