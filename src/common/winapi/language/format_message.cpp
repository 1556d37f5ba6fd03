#include "common/winapi/language/format_message.h"

#include <optional>
#include <string_view>
#include <utility>

#include "common/text.h"
#include "common/winapi/language/library_as_data.h"
#include "common/winapi/language/locale_names.h"
#include "common/winapi/language/message_catalog.h"
#include "common/winapi/process/last_error.h"
#include "error_lib/windows_messages.h"

namespace winapi {

namespace {

constexpr uint32_t en_us = 1033;
constexpr uint32_t source_flags = format_message_from_string | format_message_from_hmodule | format_message_from_system;

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads the insert number after '%' (one or two digits) and skips a "!format!" spec;
// npos for a spec that is never closed, which Windows refuses.
size_t read_insert(std::u16string_view text, size_t pos, size_t& number) {
  number = text[pos] - u'0';
  ++pos;
  if (pos < text.size() && is_digit(text[pos])) number = number * 10 + (text[pos++] - u'0');
  if (pos < text.size() && text[pos] == u'!') {
    const size_t close = text.find(u'!', pos + 1);
    return close == std::u16string_view::npos ? close : close + 1;
  }
  return pos;
}

// The expanded text, or nothing with the last error set.
std::optional<std::u16string> expand(std::u16string_view text, bool ignore_inserts,
                                     std::span<const char16_t* const> arguments) {
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
      if (end == std::u16string_view::npos) {
        set_last_error(error_invalid_parameter);
        return std::nullopt;
      }
      if (ignore_inserts) {
        out.append(text.substr(i, end - i));
      } else if (number > arguments.size()) {
        throw structured_exception{exception_access_violation};
      } else {
        out.append(arguments[number - 1]);
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

// The locale whose texts a language id asks for; empty when the id names none.
std::u16string locale_of(uint32_t language_id) {
  return language_id == lang_neutral ? lcid_to_locale_name(en_us) : lcid_to_locale_name(language_id);
}

// The template, or null with the last error set.
const std::u16string* find_in_module(data_module_handle module, uint32_t message_id, uint32_t language_id) {
  const std::u16string locale = locale_of(language_id);
  if (module == nullptr || locale.empty() || !module->catalog.has_locale(locale)) {
    set_last_error(error_resource_lang_not_found);
    return nullptr;
  }
  const std::u16string* text = module->catalog.find(locale, message_id);
  if (text == nullptr) set_last_error(error_mr_mid_not_found);
  return text;
}

// The system's template: the English table, each text ending in a line break as the
// system's message table does; empty with the last error set.
std::u16string find_in_system(uint32_t message_id, uint32_t language_id) {
  if (locale_of(language_id) != u"en-US") {
    set_last_error(error_resource_lang_not_found);
    return {};
  }
  const char* text = win32::find_windows_message(message_id);
  if (text == nullptr) {
    set_last_error(error_mr_mid_not_found);
    return {};
  }
  return common::utf8_to_utf16(text) + u"\r\n";
}

// The template the flags and source name, or nullopt with the last error set. A system
// text is kept in storage; the others are read where they are.
std::optional<std::u16string_view> find_template(uint32_t flags, const void* source, uint32_t message_id,
                                                 uint32_t language_id, std::u16string& storage) {
  const uint32_t sources = flags & source_flags;
  if (sources == format_message_from_string) {
    if (source == nullptr) {
      set_last_error(error_invalid_parameter);
      return std::nullopt;
    }
    return static_cast<const char16_t*>(source);
  }
  if (sources == 0 || (sources & format_message_from_string) != 0) {
    set_last_error(error_invalid_parameter);
    return std::nullopt;
  }
  if ((sources & format_message_from_hmodule) != 0) {
    if (const auto* found = find_in_module(static_cast<data_module_handle>(source), message_id, language_id)) {
      return *found;
    }
  }
  if ((sources & format_message_from_system) != 0) storage = find_in_system(message_id, language_id);
  if (storage.empty()) return std::nullopt;
  return storage;
}

}  // namespace

uint32_t format_message(uint32_t flags, const void* source, uint32_t message_id, uint32_t language_id,
                        std::u16string* buffer, std::span<const char16_t* const> arguments) {
  if ((flags & format_message_allocate_buffer) == 0 || buffer == nullptr) {
    set_last_error(error_invalid_parameter);
    return 0;
  }
  std::u16string storage;
  const auto text = find_template(flags, source, message_id, language_id, storage);
  if (!text) return 0;
  auto expanded = expand(*text, (flags & format_message_ignore_inserts) != 0, arguments);
  if (!expanded) return 0;
  *buffer = std::move(*expanded);
  if (buffer->empty()) set_last_error(error_mr_mid_not_found);
  return static_cast<uint32_t>(buffer->size());
}

}  // namespace winapi
