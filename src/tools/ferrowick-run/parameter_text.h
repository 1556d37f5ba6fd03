#pragma once
// The parameter text the worker reads from its standard input: key and value tokens
// joined by blanks and quoted where the worker's splitter needs it, as UTF-16LE bytes.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ferrowick_run {

using key_value = std::pair<std::u16string, std::u16string>;

std::vector<uint8_t> parameter_text_bytes(const std::vector<key_value>& parameters);

}  // namespace ferrowick_run
