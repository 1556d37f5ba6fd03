#pragma once
// A small text builder for UTF-16 messages: narrow strings are taken as UTF-8 (bytes
// that are not UTF-8 are kept one code unit each, so building a message never fails on
// foreign text), numbers are written in decimal. Used by log records and exception trace lines.
#include <concepts>
#include <string>
#include <string_view>

#include "common/text.h"

namespace common {

class u16_stream {
 public:
  u16_stream& operator<<(std::u16string_view text) {
    text_.append(text);
    return *this;
  }
  u16_stream& operator<<(const char16_t* text) { return *this << std::u16string_view(text); }
  u16_stream& operator<<(const std::u16string& text) { return *this << std::u16string_view(text); }
  u16_stream& operator<<(std::string_view utf8) {
    text_.append(utf8_to_utf16_lenient(utf8));
    return *this;
  }
  u16_stream& operator<<(const char* utf8) { return *this << std::string_view(utf8); }
  u16_stream& operator<<(const std::string& utf8) { return *this << std::string_view(utf8); }
  u16_stream& operator<<(char c) { return *this << std::string_view(&c, 1); }
  u16_stream& operator<<(char16_t c) {
    text_.push_back(c);
    return *this;
  }
  u16_stream& operator<<(bool value) { return *this << (value ? u"1" : u"0"); }
  template <std::integral T>
  u16_stream& operator<<(T value) {
    return *this << std::u16string_view(ascii_to_utf16(std::to_string(value)));
  }

  const std::u16string& str() const { return text_; }
  bool empty() const { return text_.empty(); }

 private:
  std::u16string text_;
};

// Joins any mix of the pieces u16_stream accepts into one UTF-16 text.
template <typename... Pieces>
std::u16string concat(const Pieces&... pieces) {
  u16_stream stream;
  ((stream << pieces), ...);
  return stream.str();
}

}  // namespace common
