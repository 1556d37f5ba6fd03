#include "updater_lib/package/signature_test_helpers.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace signature_test {

std::vector<uint8_t> from_hex(std::string_view hex) {
  if (hex.size() % 2 != 0) throw std::invalid_argument("odd hex length");
  const auto nibble = [](char c) -> uint8_t {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    throw std::invalid_argument("not a hex digit");
  };
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
  return bytes;
}

std::string to_hex(const std::vector<uint8_t>& bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  for (const uint8_t byte : bytes) {
    hex.push_back(digits[byte >> 4]);
    hex.push_back(digits[byte & 0x0f]);
  }
  return hex;
}

std::vector<uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::filesystem::path> files_in(const std::filesystem::path& directory) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    if (entry.is_regular_file()) files.push_back(entry.path());
  return files;
}

std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

}  // namespace signature_test
