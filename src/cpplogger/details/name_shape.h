#pragma once
// Taking apart the names of the library's own files from their end: each step removes
// one part when the name ends with it and says whether it did.
#include <string_view>

namespace cpplogger::details::name_shape {

inline bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A decimal number as the library writes one: digits without a leading zero.
inline bool is_number(std::u16string_view text) {
  if (text.empty() || (text.size() > 1 && text[0] == u'0')) return false;
  for (const char16_t c : text) {
    if (!is_digit(c)) return false;
  }
  return true;
}

inline bool remove_suffix(std::u16string_view& text, std::u16string_view suffix) {
  if (!text.ends_with(suffix)) return false;
  text.remove_suffix(suffix.size());
  return true;
}

inline bool remove_trailing_number(std::u16string_view& text) {
  const size_t last_other = text.find_last_not_of(u"0123456789");
  const size_t first_digit = last_other == std::u16string_view::npos ? 0 : last_other + 1;
  if (!is_number(text.substr(first_digit))) return false;
  text.remove_suffix(text.size() - first_digit);
  return true;
}

// The creation time in archive and history file names, "%Y-%m-%d_%H-%M-%S".
inline bool remove_trailing_date_time(std::u16string_view& text) {
  constexpr std::u16string_view shape = u"dddd-dd-dd_dd-dd-dd";  // 'd' is a digit
  if (text.size() < shape.size()) return false;
  const std::u16string_view stamp = text.substr(text.size() - shape.size());
  for (size_t i = 0; i < stamp.size(); ++i) {
    if (shape[i] == u'd' ? !is_digit(stamp[i]) : stamp[i] != shape[i]) return false;
  }
  text.remove_suffix(stamp.size());
  return true;
}

}  // namespace cpplogger::details::name_shape
