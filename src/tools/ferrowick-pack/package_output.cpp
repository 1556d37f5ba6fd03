#include "package_output.h"

#include <set>

#include "command_line.h"
#include "common/path_helpers.h"
#include "common/text.h"
#include "file_placement.h"
#include "updater_lib/details/package/package.h"

namespace pack_tool {

std::vector<package_input> package_inputs(const std::vector<std::string>& paths, const std::u16string& output) {
  std::vector<package_input> files;
  std::set<std::u16string> names;
  for (const std::string& path : paths) {
    const std::u16string source = common::utf8_to_utf16(path);
    const auto [drive, directory, base, extension] = path_helpers::split_path(source);
    const std::u16string name = base + extension;
    if (name.empty() || !names.insert(name).second) {
      throw usage_error("no file or two files named '" + common::utf16_to_utf8(name) + "'");
    }
    // Placing the package would replace the input.
    if (fs_utils::is_same_file(output, source)) {
      throw usage_error("the output " + common::utf16_to_utf8(output) + " is also the input " + path);
    }
    files.push_back({name, source});
  }
  return files;
}

void write_package(const std::u16string& output, const std::vector<package_input>& files,
                   const updater::key_list& private_keys) {
  place_new_file(output, [&](fs_utils::temp_file_with_handle& temporary) {
    // The package writer opens the file itself.
    temporary.handle.close();
    updater::package created(temporary.path, updater::package::mode::create_new, {}, private_keys);
    for (const auto& file : files) created.add_file(file.name, file.source);
    created.complete();
  });
}

}  // namespace pack_tool
