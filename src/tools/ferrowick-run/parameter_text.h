#pragma once
// The parameter text the worker reads from its standard input: key and value tokens
// joined by blanks, quoted where the worker's splitter (CommandLineToArgvW rules) needs
// it, encoded as UTF-16LE without a byte-order mark.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ferrowick_run {

using key_value = std::pair<std::u16string, std::u16string>;

// The token as the splitter gives it back: empty tokens and tokens with blanks, tabs,
// line breaks or quotes are quoted; backslashes before a quote, and before the closing
// quote, are doubled.
std::u16string quote_token(const std::u16string& token);

std::u16string parameter_text(const std::vector<key_value>& parameters);

std::vector<uint8_t> to_utf16le(const std::u16string& text);

}  // namespace ferrowick_run
