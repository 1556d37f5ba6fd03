#include "common/text.h"

#include <stdexcept>

namespace common {

namespace {

[[noreturn]] void invalid_utf8() { throw std::range_error("invalid UTF-8 sequence"); }

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Appends the UTF-16 of text; false at the first invalid sequence, with what came
// before it appended.
bool append_valid_utf8(std::u16string& out, std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    size_t length = 0;
    char32_t code_point = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, code_point = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code_point = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code_point = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if (!is_continuation(next)) return false;
      code_point = (code_point << 6) | (next & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return false;
    if (code_point >= 0x10000) {
      code_point -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code_point));
    }
    i += length;
  }
  return true;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  append_utf8(out, text);
  return out;
}

void append_utf8(std::u16string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  if (!append_valid_utf8(out, text)) invalid_utf8();
}

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code_point = text[i];
    if (code_point >= 0xD800 && code_point <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
        throw std::range_error("unpaired UTF-16 surrogate");
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code_point >= 0xDC00 && code_point <= 0xDFFF) {
      throw std::range_error("unpaired UTF-16 surrogate");
    }
    if (code_point < 0x80) {
      out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
  }
  return out;
}

std::u16string utf8_to_utf16_lenient(std::string_view text) {
  std::u16string out;
  append_utf8_lenient(out, text);
  return out;
}

void append_utf8_lenient(std::u16string& out, std::string_view text) {
  const size_t start = out.size();
  out.reserve(start + text.size());
  if (append_valid_utf8(out, text)) return;
  out.resize(start);
  append_ascii(out, text);
}

std::u16string ascii_to_utf16(std::string_view text) {
  std::u16string out;
  append_ascii(out, text);
  return out;
}

void append_ascii(std::u16string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
}

std::string to_hex(uint64_t value, size_t min_digits) {
  char digits[16];
  size_t begin = sizeof digits;
  do {
    digits[--begin] = "0123456789abcdef"[value % 16];
    value /= 16;
  } while (begin > 0 && (value != 0 || sizeof digits - begin < min_digits));
  return std::string(digits + begin, sizeof digits - begin);
}

}  // namespace common
