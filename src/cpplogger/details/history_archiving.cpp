#include "cpplogger/details/history_archiving.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "common/path_helpers.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/files/file_find.h"
#include "common/winapi/files/file_operations.h"
#include "common/winapi/process/debug_output.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/details/history_file.h"
#include "cpplogger/details/name_shape.h"
#include "cpplogger/details/zip_writer.h"

namespace cpplogger::details {

namespace {

using namespace name_shape;

// How the names of this library's files begin. A base name that carries this process's
// id as "_<pid>" differs from run to run: archives are named after the part before the
// id, and history files of every run are recognised whatever number stands in its place.
class name_prefix {
 public:
  name_prefix(std::u16string_view base_name, uint32_t process_id) : base_name_(base_name) {
    const std::u16string id_part = common::concat(u"_", process_id);
    for (size_t at = base_name.find(id_part); at != std::u16string_view::npos; at = base_name.find(id_part, at + 1)) {
      const size_t after = at + id_part.size();
      if (after == base_name.size() || !is_digit(base_name[after])) {
        id_at_ = at;
        id_end_ = after;
        break;
      }
    }
  }

  std::u16string_view archive_prefix() const { return std::u16string_view(base_name_).substr(0, id_at_); }

  bool is_history_prefix(std::u16string_view text) const {
    if (id_at_ == std::u16string::npos) return text == base_name_;
    const std::u16string_view before_id = std::u16string_view(base_name_).substr(0, id_at_ + 1);
    const std::u16string_view after_id = std::u16string_view(base_name_).substr(id_end_);
    if (text.size() < before_id.size() + after_id.size() || !text.starts_with(before_id) || !text.ends_with(after_id))
      return false;
    return is_number(text.substr(before_id.size(), text.size() - before_id.size() - after_id.size()));
  }

 private:
  std::u16string base_name_;
  size_t id_at_ = std::u16string::npos;
  size_t id_end_ = std::u16string::npos;
};

// base + creation time + ".zip", or with "_(n)" before ".zip".
bool is_archive_name(std::u16string_view name, const name_prefix& prefix) {
  if (!remove_suffix(name, u".zip")) return false;
  if (remove_suffix(name, u")") && !(remove_trailing_number(name) && remove_suffix(name, u"_("))) return false;
  return remove_trailing_date_time(name) && name == prefix.archive_prefix();
}

bool is_history_file_name(std::u16string_view name, const name_prefix& prefix) {
  const auto base_name = history_file_base_name(name);
  return base_name && prefix.is_history_prefix(*base_name);
}

struct archive {
  std::u16string path;
  int64_t size = 0;
  uint64_t last_write_time = 0;
};

struct logs_directory_files {
  std::vector<archive> archives;
  std::vector<std::u16string> history_files;
};

// The archives and history files of the directory, judged by their own names: nothing
// else there is ever deleted. A failed walk ends early with what it found.
logs_directory_files find_logs_directory_files(const std::u16string& directory, const name_prefix& prefix) {
  logs_directory_files found;
  winapi::file_find walk = winapi::file_find::open(directory);
  if (!walk.valid()) {
    const uint32_t error = winapi::get_last_error();
    if (error != winapi::error_file_not_found)
      winapi::output_debug_string(common::concat(u"FindFirstFile failed with error: 0x", common::to_hex(error), u"\n"));
    return found;
  }
  while (const auto name = walk.next()) {
    const bool is_archive = is_archive_name(*name, prefix);
    if (!is_archive && !is_history_file_name(*name, prefix)) continue;
    std::u16string path = path_helpers::join_path(directory, *name);
    // Gone since the walk saw it, or not a file: nothing to pack or prune.
    const auto attributes = winapi::get_file_attributes_ex(path);
    if (!attributes || attributes->is_directory) continue;
    if (is_archive) {
      found.archives.push_back({std::move(path), attributes->size, attributes->last_write_time});
    } else {
      found.history_files.push_back(std::move(path));
    }
  }
  const uint32_t error = winapi::get_last_error();
  if (error != winapi::error_no_more_files)
    winapi::output_debug_string(common::concat(u"FindNextFile failed with error: 0x", common::to_hex(error), u"\n"));
  return found;
}

// Deletes archives, oldest first, until the rest is no larger than max_total_size.
void prune_archives(std::vector<archive> archives, int64_t max_total_size) {
  int64_t total = std::accumulate(archives.begin(), archives.end(), int64_t{0},
                                  [](int64_t sum, const archive& item) { return sum + item.size; });
  if (total <= max_total_size) return;
  std::sort(archives.begin(), archives.end(), [](const archive& a, const archive& b) {
    return a.last_write_time != b.last_write_time ? a.last_write_time < b.last_write_time : a.path < b.path;
  });
  for (const archive& oldest : archives) {
    if (total <= max_total_size) break;
    winapi::remove_file(oldest.path);
    total -= oldest.size;
  }
}

// base + local creation time + ".zip", with "_(n)" before ".zip" while the name is taken.
std::u16string free_archive_name(const std::u16string& directory, std::u16string_view archive_prefix) {
  const std::u16string stamp = history_time_text(winapi::current_time_ticks());
  if (stamp.empty()) throw std::runtime_error("The creation time of a history archive cannot be formatted.");
  const std::u16string stem = common::concat(archive_prefix, stamp);
  std::u16string name = stem + u".zip";
  for (uint32_t n = 1; winapi::get_file_attributes_ex(path_helpers::join_path(directory, name)); ++n)
    name = common::concat(stem, u"_(", n, u").zip");
  return name;
}

}  // namespace

void archive_history_files(const std::u16string& log_base_name, const std::u16string& logs_directory,
                           const logger_settings& settings) noexcept {
  // An empty directory would make every path below absolute from the root.
  if (logs_directory.empty()) return;
  try {
    const name_prefix prefix(log_base_name, winapi::current_process_id());
    logs_directory_files found = find_logs_directory_files(logs_directory, prefix);
    prune_archives(std::move(found.archives), settings.max_file_size);
    if (found.history_files.empty()) return;
    // By name, so that an archive lists its files by creation time.
    std::sort(found.history_files.begin(), found.history_files.end());
    zip::create_archive(logs_directory, free_archive_name(logs_directory, prefix.archive_prefix()),
                        found.history_files);
    for (const std::u16string& packed : found.history_files) winapi::remove_file(packed);
  } catch (const std::exception& failure) {
    // The writer has removed its unfinished archive; unpacked history files stay.
    winapi::output_debug_string(common::concat(failure.what(), u"\n"));
  } catch (...) {
    winapi::output_debug_string(u"History files were not archived: unknown exception.\n");
  }
}

}  // namespace cpplogger::details
