#include "cpplogger/details/log_text.h"

namespace cpplogger::details {

void append_log_utf8(std::string& out, std::u16string_view text) {
  // Sized for the worst case and written through a pointer: this runs for every log line.
  const size_t start = out.size();
  out.resize(start + 3 * text.size());
  char* next = out.data() + start;
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      *next++ = static_cast<char>(unit);
    } else if (unit < 0x800) {
      *next++ = static_cast<char>(0xC0 | (unit >> 6));
      *next++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      *next++ = static_cast<char>(0xE0 | (unit >> 12));
      *next++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      *next++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(next - out.data()));
}

std::string to_log_utf8(std::u16string_view text) {
  std::string out;
  append_log_utf8(out, text);
  return out;
}

}  // namespace cpplogger::details
