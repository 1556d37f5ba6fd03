#include "base64_encode.h"

#include <algorithm>

namespace pack_tool {

std::string base64_encode(const std::vector<uint8_t>& bytes) {
  static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = static_cast<uint32_t>(bytes[i]) << 16;
    if (count > 1) group |= static_cast<uint32_t>(bytes[i + 1]) << 8;
    if (count > 2) group |= bytes[i + 2];
    for (size_t k = 0; k < 4; ++k) {
      text.push_back(k <= count ? alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return text;
}

}  // namespace pack_tool
