#include <iostream>
#include <set>

#include "commands.h"
#include "common/fs_utils.h"
#include "common/path_helpers.h"
#include "common/text.h"
#include "key_files.h"
#include "updater_lib/details/package/package.h"

namespace pack_tool {

namespace {

// The name a file is stored under: its last path component.
std::u16string stored_name(const std::u16string& path) {
  const auto [drive, directory, name, extension] = path_helpers::split_path(path);
  return name + extension;
}

}  // namespace

int run_create(const command_line& arguments) {
  if (arguments.positional.size() < 2) throw usage_error("create needs OUT and at least one FILE");
  const std::u16string output = common::utf8_to_utf16(arguments.positional.front());
  const auto private_keys = read_key_files(arguments.option_values("--key", 2));

  std::vector<std::pair<std::u16string, std::u16string>> files;  // stored name, source
  std::set<std::u16string> names;
  for (size_t i = 1; i < arguments.positional.size(); ++i) {
    const std::u16string source = common::utf8_to_utf16(arguments.positional[i]);
    const std::u16string name = stored_name(source);
    if (name.empty() || !names.insert(name).second) {
      throw usage_error("no file or two files named '" + common::utf16_to_utf8(name) + "'");
    }
    files.emplace_back(name, source);
  }

  try {
    updater::package created(output, updater::package::mode::create_new, {}, private_keys);
    for (const auto& [name, source] : files) created.add_file(name, source);
    created.complete();
  } catch (...) {
    // A half-written package is of no use to anyone.
    if (fs_utils::file_exists(output)) fs_utils::delete_file(output);
    throw;
  }
  std::cout << "created " << arguments.positional.front() << " with " << files.size() << " files\n";
  return 0;
}

}  // namespace pack_tool
