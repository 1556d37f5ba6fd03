#pragma once
// Builds message texts from message ids or format strings with %1.. insertions,
// following the rules of the Windows message formatter.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "common/winapi/language/library_as_data.h"

namespace localization {

using arg_as_strings = std::vector<std::u16string>;
using library_handle = winapi::data_module_handle;

class localization_exception : public std::exception {
 public:
  explicit localization_exception(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// Language id of the product (a Windows LANGID), process-wide; 0 until set. Lookups try
// it before en-US.
void set_product_language_id(uint16_t id);
uint16_t get_product_language_id();

// True when the localization library holds the test message in that language; logs a
// WARN line and returns false otherwise. Throws localization_exception when the library
// cannot be loaded.
bool check_lang_id(uint16_t language_id);

// The message every language of the localization library holds.
constexpr uint32_t test_message_id = 0x42000001;

// Text of a message id: ids with a facility (bits 16..27) come from the localization
// library (loaded on first use), the others from the system message table. Trailing
// white space is removed. Throws when no language yields the text or the library is
// missing (localization_exception "Failed to load localization library").
std::u16string get_message_text(uint32_t message_id, const arg_as_strings& args);

// Text of a message id from the given library, else from the system; trailing white
// space removed.
std::u16string get_message_text_from_module(uint32_t message_id, library_handle module, const arg_as_strings& args);

// Formats a UTF-8 template: %1..%99 take insertions (as strings), %n is a line break
// (CR LF), %% %. %! %space %t %r are escapes, %0 ends the text. Without insertions the
// numbered placeholders pass through unchanged. Throws localization_exception
// "Insertions count mismatch" when placeholders remain that no insertion brought in.
std::u16string format_string(std::string_view utf8_template, const arg_as_strings& args);

}  // namespace localization
