#include "error_lib/win32_exception.h"

#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/last_error.h"
#include "localization/message_formatter.h"

namespace win32 {

namespace {

std::string build_call_message(const std::u16string& name, const std::u16string& error_text) {
  std::u16string text;
  try {
    text = name.empty() ? localization::get_message_text(0x43000BBD, {error_text})
                        : localization::get_message_text(0x43000BBE, {name, error_text});
  } catch (...) {
    text = name.empty() ? common::concat(u"Error with function execution: '", error_text, u"'")
                        : common::concat(u"The function '", name, u"' failed: '", error_text, u"'");
  }
  return common::utf16_to_utf8(text);
}

}  // namespace

exception::exception(const char* function_name)
    : common::application_exception(make_win32_error(winapi::get_last_error())),
      call_message_(build_call_message(common::utf8_to_utf16(function_name ? function_name : ""),
                                       application_exception::wide_what())) {}

exception::exception(uint32_t code, const std::u16string& description)
    : common::application_exception(make_win32_error(code)),
      call_message_(build_call_message(description, application_exception::wide_what())) {}

const char* exception::what() const noexcept { return call_message_.c_str(); }

std::u16string exception::wide_what() const { return common::utf8_to_utf16(call_message_); }

}  // namespace win32
