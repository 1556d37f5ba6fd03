#include "localization/message_formatter.h"

#include <stdexcept>

#include "common/text.h"
#include "error_lib/exception_thrower.h"

namespace localization {

namespace {

constexpr int en_us = 1033;

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Highest "%N" (N of one to nine digits) in a text; 0 when there is none.
unsigned long highest_placeholder(std::u16string_view text) {
  unsigned long highest = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'%' || !is_digit(text[i + 1])) continue;
    unsigned long number = 0;
    size_t k = i + 1;
    for (; k < text.size() && k <= i + 9 && is_digit(text[k]); ++k) number = number * 10 + (text[k] - u'0');
    if (number > highest) highest = number;
  }
  return highest;
}

// Reads the insert number after '%' (one or two digits) and skips a "!format!" spec.
size_t read_insert(std::u16string_view text, size_t pos, size_t& number) {
  number = text[pos] - u'0';
  ++pos;
  if (pos < text.size() && is_digit(text[pos])) number = number * 10 + (text[pos++] - u'0');
  if (pos < text.size() && text[pos] == u'!') {
    const size_t close = text.find(u'!', pos + 1);
    if (close != std::u16string_view::npos) pos = close + 1;
  }
  return pos;
}

std::u16string expand(std::u16string_view text, const arg_as_strings& args) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] != u'%' || i + 1 == text.size()) {
      out.push_back(text[i++]);
      continue;
    }
    const char16_t next = text[i + 1];
    if (next == u'0') break;
    if (is_digit(next)) {
      size_t number = 0;
      const size_t end = read_insert(text, i + 1, number);
      if (args.empty()) {
        out.append(text.substr(i, end - i));
      } else if (number > args.size()) {
        // The system formatter reads past the argument array here and faults.
        throw std::runtime_error("FormatMessageW failed");
      } else {
        out.append(args[number - 1]);
      }
      i = end;
      continue;
    }
    switch (next) {
      case u'n': out.append(u"\r\n"); break;
      case u't': out.push_back(u'\t'); break;
      case u'r': out.push_back(u'\r'); break;
      default: out.push_back(next); break;  // %% %. %! %space and unknown escapes
    }
    i += 2;
  }
  return out;
}

void check_insertions(std::u16string_view text, const arg_as_strings& args) {
  if (highest_placeholder(text) == 0) return;
  for (const auto& arg : args) {
    if (highest_placeholder(arg) != 0) return;
  }
  // A format string has no message id; with no product language set, en-US is the
  // language that produced the text.
  FW_THROW(localization_exception("Insertions count mismatch"),
           "Insufficiently arg_as_strings for build message. Message id: 0 Language id: ", en_us);
}

}  // namespace

std::u16string get_message_text(uint32_t message_id, const arg_as_strings&) {
  // Neither the suite's resource library nor a system message table is installed on
  // this platform; callers fall back to the built-in tables.
  if ((message_id & 0x0FFF0000u) != 0) throw localization_exception("Failed to load localization library");
  throw std::runtime_error("FormatMessageW failed");
}

std::u16string format_string(std::string_view utf8_template, const arg_as_strings& args) {
  std::u16string text = expand(common::utf8_to_utf16(utf8_template), args);
  check_insertions(text, args);
  return text;
}

}  // namespace localization
