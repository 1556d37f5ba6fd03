#pragma once
// Hex text, key material and a redirected temporary directory for the hash, key and
// signature tests.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace signature_test {

std::vector<uint8_t> from_hex(std::string_view hex);
std::string to_hex(const std::vector<uint8_t>& bytes);

std::vector<uint8_t> bytes_of(std::string_view text);

// Points TMPDIR at a directory for the lifetime of the object and restores it after.
class temp_dir_override {
 public:
  explicit temp_dir_override(const std::filesystem::path& directory);
  ~temp_dir_override();
  temp_dir_override(const temp_dir_override&) = delete;
  temp_dir_override& operator=(const temp_dir_override&) = delete;

 private:
  std::optional<std::string> previous_;
};

// The regular files in a directory.
std::vector<std::filesystem::path> files_in(const std::filesystem::path& directory);
std::vector<uint8_t> read_bytes(const std::filesystem::path& path);

}  // namespace signature_test
