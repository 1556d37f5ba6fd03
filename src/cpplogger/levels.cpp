#include "cpplogger/levels.h"

#include <string>
#include <unordered_map>

namespace cpplogger {

namespace {

const std::unordered_map<int32_t, std::u16string> value_to_name = {
    {level_unknown, u"UNKNOWN"}, {level_trace, u"TRACE"}, {level_debug, u"DEBUG"}, {level_info, u"INFO"},
    {level_warn, u"WARN"},       {level_error, u"ERROR"}, {level_fatal, u"FATAL"}};

std::unordered_map<std::u16string_view, int32_t> invert(const std::unordered_map<int32_t, std::u16string>& table) {
  std::unordered_map<std::u16string_view, int32_t> inverted;
  for (const auto& [value, name] : table) inverted.emplace(name, value);
  return inverted;
}

const std::unordered_map<std::u16string_view, int32_t> name_to_value = invert(value_to_name);

}  // namespace

std::u16string_view level_to_text(int32_t level) {
  const auto found = value_to_name.find(level);
  return found != value_to_name.end() ? std::u16string_view(found->second) : std::u16string_view(u"UNKNOWN");
}

std::optional<int32_t> find_level(std::u16string_view name) {
  const auto found = name_to_value.find(name);
  if (found == name_to_value.end()) return std::nullopt;
  return found->second;
}

}  // namespace cpplogger
