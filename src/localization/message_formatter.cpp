#include "localization/message_formatter.h"

#include "common/text.h"
#include "localization/localization_library.h"
#include "localization/message_builder.h"

namespace localization {

std::u16string get_message_text(uint32_t message_id, const arg_as_strings& args) {
  if ((message_id & 0x0FFF0000u) == 0) return details::message_text(details::from_system, nullptr, message_id, args);
  return details::message_text(details::from_library, localization_library().get(), message_id, args);
}

std::u16string get_message_text_from_module(uint32_t message_id, library_handle module, const arg_as_strings& args) {
  return details::message_text(details::from_library_then_system, module, message_id, args);
}

std::u16string format_string(std::string_view utf8_template, const arg_as_strings& args) {
  const std::u16string text = common::utf8_to_utf16(utf8_template);
  return details::build_message(details::from_string, text.c_str(), 0, args);
}

}  // namespace localization
