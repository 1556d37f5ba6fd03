#pragma once
// The service side of the parameter text: tokens joined and quoted so that
// split_parameter_text gives them back unchanged, encoded as UTF-16LE.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "updater_lib/details/parameters/parameters_text.h"

namespace updater {

// Empty tokens and tokens with blanks, tabs, line breaks or quotes are quoted;
// backslashes before a quote, and before the closing quote, are doubled.
std::u16string quote_parameter_token(const std::u16string& token);

// The first token is read by the program-name rule: quotes only delimit and are never
// escaped, so it is quoted when empty or blank-holding and otherwise written as it is.
// A first token with a quote that the rule cannot give back raises std::invalid_argument.
std::u16string quote_first_parameter_token(const std::u16string& token);

std::u16string join_parameter_tokens(const token_list& tokens);

// Without a byte-order mark, as the worker expects it.
std::vector<uint8_t> to_utf16le_bytes(std::u16string_view text);

}  // namespace updater
