#pragma once
// The update description "info2.txt" that a source offers beside its package.
#include <cstdint>
#include <string>
#include <vector>

namespace updater {

struct update_information {
  std::u16string release_date;
  std::u16string update_file_name;
  std::u16string update_util_file_name;  // may be empty
  std::u16string update_file_name_part;  // second "_" part of update_file_name, if it has three or more
  std::u16string product;                // may be empty
};

// Parses the description file's UTF-8 bytes. Accepts the current layout (product, release
// date, package, optional utility package) and the older ones (release date, package
// [, anything]). Raises 5385 for a malformed file (a file name holding NUL among them),
// 5031 for a file name with a path or one that is "." or "..",
// the release-date errors for a bad date, and std::range_error for invalid UTF-8.
update_information deserialize_update_information(const std::vector<uint8_t>& file_bytes);

}  // namespace updater
