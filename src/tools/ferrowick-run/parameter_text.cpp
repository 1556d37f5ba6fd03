#include "parameter_text.h"

namespace ferrowick_run {

std::u16string quote_token(const std::u16string& token) {
  if (!token.empty() && token.find_first_of(u" \t\n\v\"") == std::u16string::npos) return token;
  std::u16string quoted = u"\"";
  size_t backslashes = 0;
  for (char16_t c : token) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    quoted.append(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, u'\\');
  quoted.push_back(u'"');
  return quoted;
}

std::u16string parameter_text(const std::vector<key_value>& parameters) {
  std::u16string text;
  for (const auto& [key, value] : parameters) {
    if (!text.empty()) text.push_back(u' ');
    text += quote_token(key);
    text.push_back(u' ');
    text += quote_token(value);
  }
  return text;
}

std::vector<uint8_t> to_utf16le(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

}  // namespace ferrowick_run
