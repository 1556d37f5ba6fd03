#pragma once
// The parameter text the service writes into the worker's standard input: UTF-16LE,
// split into key/value tokens the way a Windows command line is split.
#include <cstdint>
#include <string>
#include <vector>

namespace updater {

using token_list = std::vector<std::u16string>;

// Splits the bytes (as read from the pipe, zero-terminated) into tokens. Raises 5281
// for no bytes and 5276 for an odd number of tokens.
token_list split_parameter_text(const std::vector<uint8_t>& text);

}  // namespace updater
