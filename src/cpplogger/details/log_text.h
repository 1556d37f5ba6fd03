#pragma once
// The byte form of log and history files: each UTF-16 code unit becomes its own UTF-8
// sequence of 1 to 3 bytes, so a surrogate pair comes out as two 3-byte sequences and
// no text can fail to convert.
#include <string>
#include <string_view>

namespace cpplogger::details {

void append_log_utf8(std::string& out, std::u16string_view text);

std::string to_log_utf8(std::u16string_view text);

}  // namespace cpplogger::details
