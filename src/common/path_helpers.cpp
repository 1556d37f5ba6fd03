#include "common/path_helpers.h"

#include "common/path_system.h"
#include "cpplogger/log_scope.h"

namespace path_helpers {

std::u16string join_with(const std::u16string& first, const std::u16string& second, std::u16string_view separators) {
  const auto is_separator = [separators](char16_t c) { return separators.find(c) != std::u16string_view::npos; };
  const bool first_ends = !first.empty() && is_separator(first.back());
  const bool second_begins = !second.empty() && is_separator(second.front());
  if (first_ends && second_begins) return first.substr(0, first.size() - 1) + second;
  if (first_ends || second_begins) return first + second;
  return first + separators.front() + second;
}

std::u16string join_path(const std::u16string& first, const std::u16string& second) {
  return join_with(first, second, details::separators());
}

std::u16string trim_last_slash(const std::u16string& path) {
  FW_LOG_SCOPE();
  const size_t last_kept = path.find_last_not_of(details::separators());
  if (last_kept == std::u16string::npos) return path;
  return path.substr(0, last_kept + 1);
}

std::u16string get_base_name(const std::u16string& path) {
  FW_LOG_SCOPE();
  return std::get<2>(split_path(path));
}

}  // namespace path_helpers
