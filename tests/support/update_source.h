#pragma once
// Update sources for tests of the update run: demo keys, signed packages, description
// files, and looks at what a run left on disk.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// The demo key pairs of demo/keys: the parameter key (checked first) and the built-in
// key (checked second). Private keys in MPI form.
struct demo_keys {
  std::vector<uint8_t> parameter_public;
  std::vector<uint8_t> parameter_private;
  std::vector<uint8_t> built_in_public;
  std::vector<uint8_t> built_in_private;
  std::string parameter_public_base64;
};

demo_keys load_demo_keys(const std::filesystem::path& keys_directory);

using package_files = std::vector<std::pair<std::u16string, std::string>>;

// A package holding files, signed with both demo keys, or with the private keys given
// in order.
void write_package(const std::filesystem::path& path, const package_files& files, const demo_keys& keys);
void write_package_signed_with(const std::filesystem::path& path, const package_files& files,
                               const std::vector<std::vector<uint8_t>>& private_keys);

void write_text(const std::filesystem::path& path, const std::string& content);
std::string read_text(const std::filesystem::path& path);

// Sorted file names in directory (not recursive).
std::vector<std::string> list_names(const std::filesystem::path& directory);

// True when some file below directory ends in ".part".
bool has_part_file(const std::filesystem::path& directory);

}  // namespace test_support
