#include "updater_lib/details/package/public_key_file.h"

#include <algorithm>
#include <string_view>

#include "common/base64.h"
#include "common/fs_utils.h"
#include "common/text.h"

namespace updater {

namespace {

constexpr std::string_view base64_symbols = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";

// SEC 1 point octets: a compressed point starts with 2 or 3, an uncompressed one with 4.
bool is_public_point(const std::vector<uint8_t>& bytes) {
  if (bytes.size() == 33) return bytes[0] == 0x02 || bytes[0] == 0x03;
  return bytes.size() == 65 && bytes[0] == 0x04;
}

}  // namespace

std::optional<std::vector<uint8_t>> parse_public_key(const std::vector<uint8_t>& content) {
  std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
  while (!text.empty() && std::string_view(" \t\r\n").find(text.back()) != std::string_view::npos) {
    text.remove_suffix(1);
  }
  // A binary point never passes for text: its first byte is not a Base64 symbol.
  const bool is_text = !text.empty() && std::all_of(text.begin(), text.end(), [](char symbol) {
    return base64_symbols.find(symbol) != std::string_view::npos;
  });
  std::vector<uint8_t> key = is_text ? base64::base64_decode(text) : content;
  if (!is_public_point(key)) return std::nullopt;
  return key;
}

std::vector<uint8_t> read_public_key_file(const std::string& option, const std::string& path) {
  std::vector<uint8_t> content;
  try {
    content = fs_utils::read_file(common::utf8_to_utf16(path));
  } catch (const std::exception& error) {
    throw public_key_file_error(option + " " + path + ": cannot be read: " + error.what());
  }
  std::optional<std::vector<uint8_t>> key = parse_public_key(content);
  if (!key) {
    throw public_key_file_error(option + " " + path +
                                ": holds no public key; give the PREFIX.pub of 'ferrowick-pack keygen PREFIX' "
                                "(33 bytes) or its Base64 text PREFIX.pub.b64");
  }
  return *key;
}

}  // namespace updater
