#include "common/winapi/language/ui_languages.h"

#include <mutex>
#include <optional>
#include <tuple>

#include "common/winapi/language/locale_names.h"
#include "common/winapi/process/last_error.h"

namespace winapi {
namespace {

std::mutex process_languages_lock;
std::u16string process_languages;
thread_local std::u16string thread_languages;

// The list up to and with its double NUL and its name count, or nothing when a name is
// unknown.
std::optional<std::pair<std::u16string, uint32_t>> checked_list(const char16_t* languages) {
  std::u16string list;
  uint32_t count = 0;
  for (const char16_t* name = languages; *name != u'\0'; ++count) {
    const std::u16string_view view(name);
    if (locale_name_to_lcid(view) == 0) return std::nullopt;
    list.append(view).push_back(u'\0');
    name += view.size() + 1;
  }
  list.push_back(u'\0');
  if (count == 0) list.push_back(u'\0');
  return std::pair{list, count};
}

bool set_languages(uint32_t flags, const char16_t* languages, uint32_t* count, std::u16string& target) {
  if (flags != mui_language_name || languages == nullptr) {
    set_last_error(error_invalid_parameter);
    return false;
  }
  auto list = checked_list(languages);
  if (!list) {
    set_last_error(error_invalid_parameter);
    return false;
  }
  target = std::move(list->first);
  if (count != nullptr) *count = list->second;
  return true;
}

}  // namespace

bool set_process_preferred_ui_languages(uint32_t flags, const char16_t* languages, uint32_t* count) {
  std::lock_guard lock(process_languages_lock);
  return set_languages(flags, languages, count, process_languages);
}

bool set_thread_preferred_ui_languages(uint32_t flags, const char16_t* languages, uint32_t* count) {
  return set_languages(flags, languages, count, thread_languages);
}

std::u16string get_process_preferred_ui_languages() {
  std::lock_guard lock(process_languages_lock);
  return process_languages;
}

std::u16string get_thread_preferred_ui_languages() { return thread_languages; }

bool verify_version_at_least(uint32_t major, uint32_t minor, uint16_t service_pack_major) {
  constexpr std::tuple<uint32_t, uint32_t, uint16_t> platform_version{10, 0, 0};
  return platform_version >= std::tuple{major, minor, service_pack_major};
}

}  // namespace winapi
