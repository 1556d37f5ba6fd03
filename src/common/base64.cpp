#include "common/base64.h"

#include <algorithm>
#include <array>

#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"

namespace base64 {

namespace {

const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void append_bytes(const std::array<uint8_t, 4>& values, size_t count, std::vector<uint8_t>& out) {
  const uint8_t bytes[3] = {static_cast<uint8_t>((values[0] << 2) + ((values[1] & 0x30) >> 4)),
                            static_cast<uint8_t>(((values[1] & 0x0F) << 4) + ((values[2] & 0x3C) >> 2)),
                            static_cast<uint8_t>(((values[2] & 0x03) << 6) + values[3])};
  out.insert(out.end(), bytes, bytes + count);
}

// The symbol itself; a byte that is not ASCII cannot stand alone in UTF-8 text, so it is
// written as its hexadecimal value.
std::string symbol_text(char symbol) {
  const auto byte = static_cast<unsigned char>(symbol);
  if (byte < 0x80) return std::string(1, symbol);
  static const char digits[] = "0123456789ABCDEF";
  return std::string("0x") + digits[byte >> 4] + digits[byte & 0x0F];
}

// Each UTF-16 unit encoded on its own, as a UCS-2 conversion facet does: a character
// outside ASCII (an unpaired surrogate too) becomes bytes that are invalid symbols,
// instead of failing the conversion.
std::string unit_wise_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

}  // namespace

std::vector<uint8_t> base64_decode(std::string_view text) {
  FW_LOG_SCOPE();
  std::vector<uint8_t> out;
  out.reserve(3 * text.size() / 4);
  std::array<uint8_t, 4> quartet{};
  size_t filled = 0;
  for (char symbol : text) {
    if (symbol == '=') break;
    const size_t value = alphabet.find(symbol);
    if (value == std::string::npos) {
      FW_THROW(common::application_exception(5449), "Invalid Base64 symbol: ", symbol_text(symbol));
    }
    quartet[filled++] = static_cast<uint8_t>(value);
    if (filled == 4) {
      append_bytes(quartet, 3, out);
      filled = 0;
    }
  }
  if (filled > 0) {
    for (size_t i = filled; i < 4; ++i) quartet[i] = 0;
    append_bytes(quartet, filled - 1, out);
  }
  return out;
}

std::vector<uint8_t> base64_decode_wstring(std::u16string_view text) {
  FW_LOG_SCOPE();
  return base64_decode(unit_wise_utf8(text));
}

std::string base64_encode(const std::vector<uint8_t>& bytes) {
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

}  // namespace base64
