#include "support/update_source.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/base64.h"
#include "updater_lib/details/package/package.h"

namespace test_support {

namespace {

std::string first_line(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::string line;
  if (!std::getline(file, line)) throw std::runtime_error("cannot read " + path.string());
  return line;
}

}  // namespace

demo_keys load_demo_keys(const std::filesystem::path& keys_directory) {
  demo_keys keys;
  keys.parameter_public_base64 = first_line(keys_directory / "parameter.public.b64");
  keys.parameter_public = base64::base64_decode(keys.parameter_public_base64);
  keys.parameter_private = base64::base64_decode(first_line(keys_directory / "parameter.private.mpi.b64"));
  keys.built_in_public = base64::base64_decode(first_line(keys_directory / "built_in.public.b64"));
  keys.built_in_private = base64::base64_decode(first_line(keys_directory / "built_in.private.mpi.b64"));
  return keys;
}

void write_package(const std::filesystem::path& path, const package_files& files, const demo_keys& keys) {
  write_package_signed_with(path, files, {keys.parameter_private, keys.built_in_private});
}

void write_package_signed_with(const std::filesystem::path& path, const package_files& files,
                               const std::vector<std::vector<uint8_t>>& private_keys) {
  const std::filesystem::path staging = path.parent_path() / (path.filename().string() + ".staging");
  std::filesystem::create_directories(staging);
  updater::package package(path.u16string(), updater::package::mode::create_new, {}, private_keys);
  for (const auto& [name, content] : files) {
    const std::filesystem::path source = staging / std::filesystem::path(name).filename();
    write_text(source, content);
    package.add_file(name, source.u16string());
  }
  package.complete();
  std::filesystem::remove_all(staging);
}

void write_text(const std::filesystem::path& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::string read_text(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::vector<std::string> list_names(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool has_part_file(const std::filesystem::path& directory) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
    if (entry.path().filename().string().ends_with(".part")) return true;
  }
  return false;
}

}  // namespace test_support
