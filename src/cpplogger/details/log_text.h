#pragma once
// The byte form of log and history files: each UTF-16 code unit becomes its own UTF-8
// sequence of 1 to 3 bytes, so a surrogate pair comes out as two 3-byte sequences and
// no text can fail to convert.
#include <string>
#include <string_view>

namespace cpplogger::details {

void append_log_utf8(std::string& out, std::u16string_view text);

std::string to_log_utf8(std::u16string_view text);

// UTF-16 form of a library's UTF-8 text (exception messages); bytes that are not
// UTF-8 are kept one code unit each rather than failing.
std::u16string widen_text(std::string_view utf8);

}  // namespace cpplogger::details
