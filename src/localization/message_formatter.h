#pragma once
// Builds message texts from message ids or format strings with %1.. insertions,
// following the rules of the Windows message formatter.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace localization {

using arg_as_strings = std::vector<std::u16string>;

// Language id of the product (a Windows LANGID), process-wide; 0 until set.
void set_product_language_id(uint16_t id);
uint16_t get_product_language_id();

// True when the localization library holds texts for the language; logs a WARN line
// and returns false otherwise.
bool check_lang_id(uint16_t language_id);

class localization_exception : public std::exception {
 public:
  explicit localization_exception(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// Text of a message id: ids with a facility (bits 16..27) come from the suite's
// localization library, the others from the system message table. Trailing white
// space is removed. Throws when neither source has the text (see docs/platform.md:
// neither source exists on this platform, so callers use their fallbacks).
std::u16string get_message_text(uint32_t message_id, const arg_as_strings& args);

// Formats a UTF-8 template: %1..%99 take insertions (as strings), %n is a line break
// (CR LF), %% %. %! %space %t %r are escapes, %0 ends the text. Without insertions the
// numbered placeholders pass through unchanged. Throws localization_exception
// "Insertions count mismatch" when placeholders remain that no insertion brought in.
std::u16string format_string(std::string_view utf8_template, const arg_as_strings& args);

}  // namespace localization
