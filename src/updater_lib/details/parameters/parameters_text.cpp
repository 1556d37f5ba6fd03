#include "updater_lib/details/parameters/parameters_text.h"

#include "common/winapi/process/command_line_to_argv.h"
#include "error_lib/application_exception.h"
#include "error_lib/result_codes.h"

namespace updater {

namespace {

// Little-endian code units up to the first zero unit. A trailing odd byte never
// makes a unit with bytes beyond the buffer.
std::u16string to_utf16_text(const std::vector<uint8_t>& bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == u'\0') break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace

token_list split_parameter_text(const std::vector<uint8_t>& text) {
  // These errors carry no detail worth a trace line.
  if (text.empty()) throw common::application_exception(common::error_no_parameters);
  token_list tokens = winapi::command_line_to_argv(to_utf16_text(text));
  if (tokens.size() % 2 != 0) throw common::application_exception(common::error_invalid_parameters_list);
  return tokens;
}

}  // namespace updater
