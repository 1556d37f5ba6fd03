#include "localization/message_language.h"

#include <algorithm>
#include <stdexcept>

#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/language/locale_names.h"
#include "common/winapi/language/ui_languages.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/logger.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"
#include "localization/message_formatter.h"
#include "localization/product_registry_settings.h"

namespace localization {
namespace {

constexpr std::u16string_view fallback_locale = u"en-US";
constexpr std::size_t locale_name_length = 5;
// Two five-character names, each with its NUL, and the closing NUL.
constexpr std::size_t language_buffer_length = 13;
constexpr uint16_t user_default_language = 0x400;

std::u16string last_error_text() {
  return common::utf8_to_utf16_lenient(win32::category().message(static_cast<int>(winapi::get_last_error())));
}

std::u16string text_of(const std::exception& error) { return common::utf8_to_utf16_lenient(error.what()); }

std::u16string hex_text(uint32_t value) { return common::ascii_to_utf16("0x" + common::to_hex(value)); }

using preferred_ui_languages_setter = bool (*)(uint32_t, const char16_t*, uint32_t*);

bool set_languages(preferred_ui_languages_setter setter, std::u16string_view api_name, std::u16string_view trace_middle,
                   const std::u16string& languages) {
  uint32_t count = 0;
  if (!setter(winapi::mui_language_name, languages.c_str(), &count)) {
    cpplogger::log(cpplogger::level_warn, common::concat(api_name, u" failed : ", last_error_text()));
    return false;
  }
  cpplogger::log(cpplogger::level_trace, common::concat(u"Set ", count, trace_middle, languages, u"'."));
  return true;
}

uint16_t product_language_id() {
  const std::u16string name = get_suite_product_language();
  const uint32_t id = winapi::locale_name_to_lcid(name);
  if (id == 0) {
    FW_THROW(win32::exception("LocaleNameToLCID"), u"Unable to convert LocaleName '", name, u"' to LCID.");
  }
  if (!check_lang_id(static_cast<uint16_t>(id))) FW_THROW(std::runtime_error("check_lang_id failed"));
  return static_cast<uint16_t>(id);
}

uint16_t fallback_language_id() {
  const uint32_t id = winapi::locale_name_to_lcid(fallback_locale);
  if (id == 0) {
    cpplogger::log(cpplogger::level_warn,
                   common::concat(u"LocaleNameToLCID for fallback_locale failed : ", last_error_text()));
  }
  return check_lang_id(static_cast<uint16_t>(id)) ? static_cast<uint16_t>(id) : user_default_language;
}

}  // namespace

std::u16string get_locale(uint32_t lcid) {
  FW_LOG_SCOPE();
  std::u16string name = winapi::lcid_to_locale_name(lcid);
  if (name.empty()) cpplogger::log(cpplogger::level_warn, u"LCIDToLocaleName failed : " + last_error_text());
  return name;
}

std::u16string get_suite_product_language() {
  FW_LOG_SCOPE();
  std::u16string name = product_registry_settings::get_product_language();
  if (name.size() != locale_name_length) FW_THROW(std::logic_error("Size of languages mismatch."));
  return name;
}

std::u16string get_product_languages_for_application() {
  FW_LOG_SCOPE();
  std::u16string buffer(language_buffer_length, u'\0');
  std::size_t position = 0;
  try {
    const std::u16string product = get_suite_product_language();
    std::ranges::copy(product, buffer.begin());
    position = locale_name_length + 1;
  } catch (const std::exception& error) {
    cpplogger::log(cpplogger::level_warn, u"suite_product_languages faled, error : " + text_of(error));
  }
  std::ranges::copy(fallback_locale, buffer.begin() + static_cast<std::ptrdiff_t>(position));
  buffer.resize(position + fallback_locale.size() + 2);
  return buffer;
}

bool set_product_languages_for_thread_api(const std::u16string& languages) {
  FW_LOG_SCOPE();
  return set_languages(winapi::set_thread_preferred_ui_languages, u"SetThreadPreferredUILanguages",
                       u" language(s) by SetThreadPreferredUILanguages  for '", languages);
}

// The Windows build resolves SetProcessPreferredUILanguages from Kernel32.dll at run
// time inside the platform layer; the Linux stand-in is linked in.
bool set_product_languages_for_process_api(const std::u16string& languages) {
  FW_LOG_SCOPE();
  try {
    return set_languages(winapi::set_process_preferred_ui_languages, u"SetProcessPreferredUILanguages",
                         u" language(s) by SetProcessPreferredUILanguages for '", languages);
  } catch (const std::exception& error) {
    cpplogger::log(cpplogger::level_warn, u"set_product_languages_for_process_api failed, details : " + text_of(error));
    return false;
  }
}

uint16_t get_product_language_id_for_application() {
  FW_LOG_SCOPE();
  uint16_t id = 0;
  try {
    id = product_language_id();
  } catch (const std::exception& error) {
    cpplogger::log(cpplogger::level_warn, common::concat(u"Get suite_product_languages faled, error : ", text_of(error),
                                                         u". Use '", fallback_locale, u"' as fallback."));
    id = fallback_language_id();
  }
  cpplogger::log(cpplogger::level_trace, common::concat(u"Lang_id_hex = ", hex_text(id), u" , Lang_id = ", id,
                                                        u" aka '", get_locale(id), u"'."));
  return id;
}

bool set_product_languages_for_process_for_application() {
  FW_LOG_SCOPE();
  try {
    if (winapi::verify_version_at_least(6, 1, 0)) {
      if (!set_product_languages_for_process_api(get_product_languages_for_application())) {
        cpplogger::log(cpplogger::level_warn, u"set_languages_for_process failed : " + last_error_text());
      }
    } else {
      cpplogger::log(cpplogger::level_warn,
                     u"Detected Windows version less then Windows7, SetProcessPreferredUILanguages ignorred, will be "
                     u"use SetThreadPreferredUILanguages.");
      set_product_languages_for_thread_api(get_product_languages_for_application());
    }
    set_product_language_id(get_product_language_id_for_application());
    return true;
  } catch (const std::system_error& error) {
    cpplogger::log(cpplogger::level_warn, common::concat(u"Could not install the product language: [category: ",
                                                         common::utf8_to_utf16_lenient(error.code().category().name()),
                                                         u"] ", text_of(error)));
  } catch (const std::exception& error) {
    cpplogger::log(cpplogger::level_warn, u"Could not install the product language: " + text_of(error));
  } catch (...) {
    cpplogger::log(cpplogger::level_warn, u"Could not install the product language");
  }
  return false;
}

}  // namespace localization
