#include "error_lib/application_exception.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "common/text.h"
#include "cpplogger/log_stream.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/generated/generated_error_codes.h"
#include "localization/message_formatter.h"

namespace common {

namespace {

std::string resolve_application_message(int value, const std::vector<std::u16string>& inserts) {
  const uint32_t low_bits = static_cast<uint32_t>(value) & 0xFFFF;
  const uint32_t message_id = 0x03000000u + low_bits;
  char line[96];
  const int length =
      std::snprintf(line, sizeof line, "make message_id: 0x%08X [code: %u] [facility: 0x0300]", message_id, low_bits);
  char16_t wide_line[sizeof line];
  std::copy(line, line + length, wide_line);
  cpplogger::log(cpplogger::level_debug, std::u16string_view(wide_line, static_cast<size_t>(length)));
  try {
    return utf16_to_utf8(localization::get_message_text(message_id, inserts));
  } catch (const std::exception&) {
    if (const char* text = generated::find_error_text(value)) {
      return utf16_to_utf8(localization::format_string(text, inserts));
    }
  }
  throw_exception(application_exception(5003), "error_lib/generated/generated_error_codes", 674,
                  "Invalid result code: ", low_bits);
}

}  // namespace

application_exception::application_exception(std::error_code code) : application_exception(code, {}) {}

application_exception::application_exception(std::error_code code, const std::vector<std::u16string>& inserts)
    : std::system_error(code) {
  if (code.category() == application_category()) message_ = resolve_application_message(code.value(), inserts);
}

application_exception::application_exception(int application_code)
    : application_exception(make_application_error(application_code), {}) {}

application_exception::application_exception(int application_code, const std::vector<std::u16string>& inserts)
    : application_exception(make_application_error(application_code), inserts) {}

const char* application_exception::what() const noexcept {
  return message_.empty() ? std::system_error::what() : message_.c_str();
}

std::u16string application_exception::wide_what() const { return utf8_to_utf16(application_exception::what()); }

}  // namespace common
