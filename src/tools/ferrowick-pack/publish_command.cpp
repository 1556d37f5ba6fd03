#include <algorithm>
#include <cctype>
#include <iostream>
#include <optional>

#include "commands.h"
#include "common/fs_utils.h"
#include "common/path_helpers.h"
#include "common/text.h"
#include "file_placement.h"
#include "key_files.h"
#include "package_output.h"
#include "release_date.h"
#include "updater_lib/details/update_information/update_information.h"
#include "updater_lib/details/update_information/update_information_versions.h"

namespace pack_tool {

namespace {

// The product name the worker accepts.
constexpr char default_product[] = "antivirus";
constexpr char16_t info2_txt[] = u"info2.txt";
constexpr char16_t info_txt[] = u"info.txt";

// One line of info2.txt.
std::string line_value(const std::string& option, const std::string& value) {
  if (value.empty() || value.find_first_of("\r\n") != std::string::npos) {
    throw usage_error(option + " takes one non-empty line, not '" + value + "'");
  }
  return value;
}

// One name per release, so a worker that has just read the previous info2.txt still
// finds its package.
std::string default_package_name(const std::string& release_date) {
  std::string digits;
  std::copy_if(release_date.begin(), release_date.end(), std::back_inserter(digits),
               [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
  return "base_" + digits + "_full.upd";
}

std::string package_name(const command_line& arguments, const std::string& release_date) {
  const std::string name =
      line_value("--name", arguments.optional_value("--name").value_or(default_package_name(release_date)));
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == ".." || name == "info2.txt" ||
      name == "info.txt") {
    throw usage_error("--name takes a file name without folder, other than info2.txt and info.txt, not '" + name + "'");
  }
  return name;
}

// Product, release date and package name with CR LF line ends, read back with the
// worker's own reader so that what it refuses is never published.
std::vector<uint8_t> info2_content(const std::string& product, const std::string& release_date,
                                   const std::string& package) {
  const std::string text = product + "\r\n" + release_date + "\r\n" + package + "\r\n";
  std::vector<uint8_t> content(text.begin(), text.end());
  updater::deserialize_update_information(content);
  return content;
}

}  // namespace

int run_publish(const command_line& arguments) {
  if (arguments.positional.empty()) throw usage_error("publish needs at least one FILE");
  const std::string release_date = release_date_text(arguments.option_values("--release-date", 1).front());
  const std::string product = line_value("--product", arguments.optional_value("--product").value_or(default_product));
  const std::string name = package_name(arguments, release_date);
  const std::vector<uint8_t> info2 = info2_content(product, release_date, name);
  const std::optional<std::string> info_source = arguments.optional_value("--info-txt");
  if (info_source && !fs_utils::file_exists(common::utf8_to_utf16(*info_source))) {
    throw usage_error("--info-txt " + *info_source + " does not exist");
  }
  const auto private_keys = read_key_files(arguments.option_values("--key", 2));

  const std::string& out = arguments.option_values("--out", 1).front();
  const std::u16string root = common::utf8_to_utf16(out);
  if (!fs_utils::directory_exists(root)) throw usage_error("--out " + out + " is not a folder");
  const std::u16string update = path_helpers::join_path(root, u"update");
  const std::u16string folder = path_helpers::join_path(
      update,
      updater::version_of_update_compatibility_to_wstring(updater::get_current_version_of_update_compatibility()));
  const std::u16string package_path = path_helpers::join_path(folder, common::utf8_to_utf16(name));
  const auto files = package_inputs(arguments.positional, package_path);

  fs_utils::create_directory(update);
  fs_utils::create_directory(folder);
  // The description comes last: a worker that reads it finds its package in place.
  write_package(package_path, files, private_keys);
  std::cout << "wrote " << common::utf16_to_utf8(package_path) << " with " << files.size() << " files\n";
  if (info_source) {
    const std::u16string info_path = path_helpers::join_path(folder, info_txt);
    fs_utils::copy_file(common::utf8_to_utf16(*info_source), info_path, false);
    std::cout << "wrote " << common::utf16_to_utf8(info_path) << '\n';
  }
  const std::u16string info2_path = path_helpers::join_path(folder, info2_txt);
  place_new_file(info2_path, info2);
  std::cout << "wrote " << common::utf16_to_utf8(info2_path) << "\nrelease date " << release_date << '\n';
  return 0;
}

}  // namespace pack_tool
