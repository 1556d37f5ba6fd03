#pragma once
// Hex text, key material and a redirected temporary directory for the hash, key and
// signature tests.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/environment_variable.h"

namespace signature_test {

std::vector<uint8_t> from_hex(std::string_view hex);
std::string to_hex(const std::vector<uint8_t>& bytes);

std::vector<uint8_t> bytes_of(std::string_view text);

// Points the system's temporary folder at a directory for the lifetime of the object
// (Linux reads TMPDIR, Windows TMP).
class temp_dir_override {
 public:
  explicit temp_dir_override(const std::filesystem::path& directory)
      : tmpdir_("TMPDIR", directory.string()), tmp_("TMP", directory.string()) {}

 private:
  test_support::environment_variable tmpdir_;
  test_support::environment_variable tmp_;
};

// The regular files in a directory.
std::vector<std::filesystem::path> files_in(const std::filesystem::path& directory);
std::vector<uint8_t> read_bytes(const std::filesystem::path& path);

}  // namespace signature_test
