#include "updater_lib/details/parameters/parameters_text_writer.h"

#include <stdexcept>

namespace updater {

std::u16string quote_parameter_token(const std::u16string& token) {
  if (!token.empty() && token.find_first_of(u" \t\n\v\"") == std::u16string::npos) return token;
  std::u16string quoted = u"\"";
  size_t backslashes = 0;
  for (const char16_t c : token) {
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

std::u16string quote_first_parameter_token(const std::u16string& token) {
  const bool has_blank = token.find_first_of(u" \t") != std::u16string::npos;
  if (token.find(u'"') == std::u16string::npos) return token.empty() || has_blank ? u"\"" + token + u"\"" : token;
  if (has_blank || token.front() == u'"') {
    throw std::invalid_argument("the first parameter token cannot hold a quote together with a blank or at its start");
  }
  return token;
}

std::u16string join_parameter_tokens(const token_list& tokens) {
  std::u16string text;
  for (const std::u16string& token : tokens) {
    text += text.empty() ? quote_first_parameter_token(token) : u' ' + quote_parameter_token(token);
  }
  return text;
}

std::vector<uint8_t> to_utf16le_bytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

}  // namespace updater
