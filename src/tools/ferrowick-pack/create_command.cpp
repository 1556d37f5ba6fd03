#include <exception>
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

// Removes the unfinished output. Failing to do so is reported beside the error that
// ended the run, never in its place.
void remove_unfinished(const std::u16string& output) {
  try {
    if (fs_utils::file_exists(output)) fs_utils::delete_file(output);
  } catch (const std::exception& error) {
    std::cerr << "ferrowick-pack: could not remove the unfinished " << common::utf16_to_utf8(output) << ": "
              << error.what() << '\n';
  }
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
    // Creating the output would empty the input before it is read.
    if (fs_utils::is_same_file(output, source)) {
      throw usage_error("the output " + arguments.positional.front() + " is also the input " + arguments.positional[i]);
    }
    files.emplace_back(name, source);
  }

  // Only what this run has created or emptied is removed on failure: an existing file
  // that could not even be opened stays as it was.
  const bool output_existed = fs_utils::file_exists(output);
  bool output_opened = false;
  try {
    updater::package created(output, updater::package::mode::create_new, {}, private_keys);
    output_opened = true;
    for (const auto& [name, source] : files) created.add_file(name, source);
    created.complete();
  } catch (...) {
    if (output_opened || !output_existed) remove_unfinished(output);
    throw;
  }
  std::cout << "created " << arguments.positional.front() << " with " << files.size() << " files\n";
  return 0;
}

}  // namespace pack_tool
