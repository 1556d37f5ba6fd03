#pragma once
// A small text builder for UTF-16 messages: narrow strings are taken as UTF-8 (bytes
// that are not UTF-8 are kept one code unit each, so building a message never fails on
// foreign text), numbers are written in decimal. Used by log records and exception trace lines.
#include <charconv>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "common/text.h"

namespace common {

class u16_stream {
 public:
  u16_stream() = default;
  // Goes on from a text built elsewhere.
  explicit u16_stream(std::u16string text) : text_(std::move(text)) {}

  u16_stream& operator<<(std::u16string_view text) {
    text_.append(text);
    return *this;
  }
  u16_stream& operator<<(const char16_t* text) { return *this << std::u16string_view(text); }
  u16_stream& operator<<(const std::u16string& text) { return *this << std::u16string_view(text); }
  u16_stream& operator<<(std::string_view utf8) {
    append_utf8_lenient(text_, utf8);
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
    // Widened as the widest type of its signedness, as std::to_string would promote it.
    using widest = std::conditional_t<std::is_signed_v<T>, long long, unsigned long long>;
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<widest>(value)).ptr;
    append_ascii(text_, std::string_view(digits, static_cast<size_t>(end - digits)));
    return *this;
  }

  void reserve(size_t length) { text_.reserve(length); }
  const std::u16string& str() const& { return text_; }
  std::u16string str() && { return std::move(text_); }
  bool empty() const { return text_.empty(); }
  size_t size() const { return text_.size(); }

 private:
  std::u16string text_;
};

// Code units a piece takes at most (UTF-8 never has fewer bytes than UTF-16 units).
template <typename Piece>
size_t length_hint(const Piece& piece) {
  if constexpr (std::is_integral_v<Piece>) {
    return 20;
  } else if constexpr (std::is_convertible_v<const Piece&, std::u16string_view>) {
    return std::u16string_view(piece).size();
  } else {
    return std::string_view(piece).size();
  }
}

// Joins any mix of the pieces u16_stream accepts into one UTF-16 text, in one allocation.
template <typename... Pieces>
std::u16string concat(const Pieces&... pieces) {
  u16_stream stream;
  stream.reserve((size_t{0} + ... + length_hint(pieces)));
  ((stream << pieces), ...);
  return std::move(stream).str();
}

}  // namespace common
