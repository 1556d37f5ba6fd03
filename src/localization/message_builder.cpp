#include "localization/message_builder.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "common/u16_stream.h"
#include "common/winapi/language/format_message.h"
#include "cpplogger/log_stream.h"
#include "error_lib/exception_thrower.h"
#include "localization/seh_guard.h"

namespace localization::details {

namespace {

constexpr uint16_t en_us = 1033;

std::string hex8(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string joined_hex8(const std::vector<uint16_t>& languages) {
  std::string text;
  for (const uint16_t language : languages) {
    if (!text.empty()) text += ", ";
    text += hex8(language);
  }
  return text;
}

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Highest "%N" (N of one to nine digits) in a text; 0 when there is none.
unsigned long highest_placeholder(std::u16string_view text) {
  unsigned long highest = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'%' || !is_digit(text[i + 1])) continue;
    unsigned long number = 0;
    for (size_t k = i + 1; k < text.size() && k <= i + 9 && is_digit(text[k]); ++k)
      number = number * 10 + (text[k] - u'0');
    highest = std::max(highest, number);
  }
  return highest;
}

void check_insertions(std::u16string_view text, const arg_as_strings& args, uint32_t message_id, uint16_t language) {
  if (highest_placeholder(text) == 0) return;
  // A placeholder that came in with an inserted text is not one the message left open.
  for (const auto& arg : args) {
    if (highest_placeholder(arg) != 0) return;
  }
  FW_THROW(localization_exception("Insertions count mismatch"),
           "Insufficiently arg_as_strings for build message. Message id: ", hex8(message_id),
           " Language id: ", language);
}

void log_contained_fault(uint32_t message_id, uint16_t language, const arg_as_strings& args) {
  common::u16_stream line;
  line << " SEH-EXCEPTION FormatMessageW failed [message_id: " << hex8(message_id)
       << "] [language_id: " << hex8(language) << "]";
  for (size_t n = 0; n < args.size(); ++n) line << " [arg_" << n + 1 << ": " << args[n] << "]";
  FW_LOG(cpplogger::level_warn) << line.str();
}

bool is_white_space(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

std::vector<uint16_t> languages_to_try(uint16_t requested, uint16_t product) {
  std::vector<uint16_t> languages;
  for (const uint16_t language : {requested, product, en_us}) {
    if (language != 0 && std::find(languages.begin(), languages.end(), language) == languages.end()) {
      languages.push_back(language);
    }
  }
  return languages;
}

std::u16string build_message(uint32_t kind, const void* source, uint32_t message_id, const arg_as_strings& args) {
  std::vector<const char16_t*> insertions;
  for (const auto& arg : args) insertions.push_back(arg.c_str());
  const uint32_t flags = kind | winapi::format_message_allocate_buffer |
                         (args.empty() ? winapi::format_message_ignore_inserts : winapi::format_message_argument_array);
  const std::vector<uint16_t> languages = languages_to_try(0, get_product_language_id());
  for (const uint16_t language : languages) {
    std::u16string text;
    try {
      const uint32_t length = sehwrapper::call_winapi_guarded("FormatMessageW", [&] {
        return winapi::format_message(flags, source, message_id, language, &text, insertions);
      });
      if (length == 0) continue;
    } catch (const sehwrapper::exception&) {
      log_contained_fault(message_id, language, args);
      continue;
    }
    check_insertions(text, args, message_id, language);
    return text;
  }
  FW_THROW(std::runtime_error("FormatMessageW failed"), "Unable to resolve the string [message_id: ", hex8(message_id),
           "] [languages_ids: ", joined_hex8(languages), "]");
}

std::u16string message_text(uint32_t kind, library_handle module, uint32_t message_id, const arg_as_strings& args) {
  if (kind != from_system && kind != from_library && kind != from_library_then_system) {
    FW_THROW(std::invalid_argument("Invalid flag for FormatMessage."), "flag: ", kind);
  }
  if (kind != from_system && module == nullptr) FW_THROW(std::runtime_error("Not found resource library"));
  std::u16string text = build_message(kind, module, message_id, args);
  while (!text.empty() && is_white_space(text.back())) text.pop_back();
  return text;
}

}  // namespace localization::details
