#include "common/winapi/crash/module_snapshot.h"

#include <algorithm>
#include <string_view>

#include "common/text.h"
#include "common/winapi/crash/memory_map.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

constexpr size_t map_size_limit = 4 << 20;

struct mapped_file {
  std::string_view path;
  uintptr_t start = 0;
  uintptr_t end = 0;
  bool executable = false;
};

}  // namespace

std::optional<std::vector<module_entry>> snapshot_modules() {
  std::string text(map_size_limit, '\0');
  const ssize_t length = read_memory_map(text.data(), text.size());
  if (length < 0) {
    set_last_error_from_errno();
    return std::nullopt;
  }
  text.resize(static_cast<size_t>(length));

  std::vector<mapped_file> files;
  for_each_memory_region(text, [&](const memory_region& region) {
    if (!region.is_file()) return;
    auto found =
        std::find_if(files.begin(), files.end(), [&](const mapped_file& file) { return file.path == region.path; });
    if (found == files.end()) {
      files.push_back({region.path, region.start, region.end, region.executable});
      return;
    }
    found->start = std::min(found->start, region.start);
    found->end = std::max(found->end, region.end);
    found->executable = found->executable || region.executable;
  });

  std::vector<module_entry> modules;
  for (const mapped_file& file : files) {
    if (!file.executable) continue;
    const std::u16string path = common::utf8_to_utf16_lenient(file.path);
    modules.push_back({path.substr(path.rfind(u'/') + 1), path, file.start, file.end - file.start});
  }
  return modules;
}

}  // namespace winapi
