#include "cpplogger/details/log_rolling.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "common/u16_stream.h"
#include "common/winapi/files/file_find.h"
#include "common/winapi/files/file_operations.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/details/log_text.h"

namespace cpplogger::details {

namespace {

// Index of a file name that is one of this log's generations. Only the exact names the
// writer creates count: other files that merely contain "base.log" (archives, other
// programs' logs, names with leading zeros) are never renamed or deleted.
std::optional<int32_t> generation_index(std::u16string_view name, std::u16string_view current_name) {
  if (!name.starts_with(current_name)) return std::nullopt;
  name.remove_prefix(current_name.size());
  if (name.empty()) return 0;
  if (!name.starts_with(u'.')) return std::nullopt;
  name.remove_prefix(1);
  if (name.empty() || name.front() == u'0' || name.size() > 10) return std::nullopt;
  std::string digits;
  for (const char16_t c : name) {
    if (c < u'0' || c > u'9') return std::nullopt;
    digits += static_cast<char>(c);
  }
  int32_t index = 0;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), index).ec != std::errc()) return std::nullopt;
  return index;
}

void remove_generation(const generation& entry) {
  if (!winapi::remove_file(entry.path))
    throw rolling_exception(common::concat("Can't remove stale file: ", entry.path));
}

}  // namespace

rolling_exception::rolling_exception(std::u16string_view message) : text_(to_log_utf8(message)) {}

std::u16string generation_path(const std::u16string& directory, const std::u16string& base_name, int32_t index) {
  std::u16string path = directory;
  if (!path.empty() && path.back() != u'/') path += u'/';
  path += base_name;
  path += u".log";
  if (index > 0) path += common::concat(".", index);
  return path;
}

std::vector<generation> find_generations(const std::u16string& directory, const std::u16string& base_name) {
  std::vector<generation> found;
  winapi::file_find walk = winapi::file_find::open(directory);
  if (!walk.valid()) {
    if (winapi::get_last_error() == winapi::error_file_not_found) return found;
    throw rolling_exception(u"FindFirstFile failed");
  }
  const std::u16string current_name = base_name + u".log";
  while (const auto name = walk.next()) {
    if (const auto index = generation_index(*name, current_name))
      found.push_back({generation_path(directory, base_name, *index), *index});
  }
  if (winapi::get_last_error() != winapi::error_no_more_files) throw rolling_exception(u"FindNextFile failed");
  std::sort(found.begin(), found.end(), [](const generation& a, const generation& b) { return a.index < b.index; });
  return found;
}

void roll_generations(const std::u16string& directory, const std::u16string& base_name, int32_t max_backup_index,
                      std::vector<generation>& generations, const generation_finder& find) {
  generations = find(directory, base_name);
  while (!generations.empty() && generations.back().index >= max_backup_index) {
    remove_generation(generations.back());
    generations.pop_back();
  }
  for (auto entry = generations.rbegin(); entry != generations.rend(); ++entry) {
    const int32_t next_index = entry->index + 1;
    std::u16string next_path = generation_path(directory, base_name, next_index);
    if (!winapi::rename_file(entry->path, next_path)) {
      throw rolling_exception(common::concat("Can't rename log file from: ", entry->path, " to: ", next_path));
    }
    entry->path = std::move(next_path);
    entry->index = next_index;
  }
}

}  // namespace cpplogger::details
