#pragma once
// UTF-16 is the program's text; UTF-8 is the text at every edge (files, pipes, libraries).
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Decodes UTF-8 into UTF-16 code units (surrogate pairs above U+FFFF).
// Throws std::range_error on an invalid sequence.
std::u16string utf8_to_utf16(std::string_view text);
// The same, appended to out (which holds part of the text when it throws).
void append_utf8(std::u16string& out, std::string_view text);

// Encodes UTF-16 as UTF-8. Throws std::range_error on an unpaired surrogate.
std::string utf16_to_utf8(std::u16string_view text);

// For text from outside (libraries, servers) that should be shown, not judged: when
// it is not valid UTF-8, each byte is kept as one code unit instead of failing.
std::u16string utf8_to_utf16_lenient(std::string_view text);
void append_utf8_lenient(std::u16string& out, std::string_view text);

// Lower-cases ASCII letters of a byte or a UTF-16 unit; every other value stays as it is
// (no locale, and no std::tolower, which takes no negative char).
template <typename Char>
constexpr Char ascii_to_lower(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// True when the texts differ at most in the case of ASCII letters.
template <typename Char>
constexpr bool equal_ignoring_ascii_case(std::basic_string_view<Char> left, std::basic_string_view<Char> right) {
  if (left.size() != right.size()) return false;
  for (size_t i = 0; i < left.size(); ++i) {
    if (ascii_to_lower(left[i]) != ascii_to_lower(right[i])) return false;
  }
  return true;
}

// Lower-case hexadecimal digits of value without a prefix, zeros in front up to
// min_digits (at most 16).
std::string to_hex(uint64_t value, size_t min_digits = 1);

// ASCII-only widening for literals and numbers; bytes above 0x7F are kept as code units.
std::u16string ascii_to_utf16(std::string_view text);
void append_ascii(std::u16string& out, std::string_view text);

}  // namespace common
