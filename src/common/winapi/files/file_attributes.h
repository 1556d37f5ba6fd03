#pragma once
// Stand-ins for GetFileAttributesExW / GetFileAttributesW and for the identity that
// GetFileInformationByHandle gives: what the directory entry of a path says, without
// opening it.
#include <cstdint>
#include <optional>
#include <string_view>

namespace winapi {

struct file_attribute_data {
  bool is_directory = false;
  int64_t size = 0;              // bytes
  uint64_t last_write_time = 0;  // FILETIME
};

// Nothing, with the last error set, when the path does not exist or cannot be queried.
std::optional<file_attribute_data> get_file_attributes_ex(std::u16string_view path);

// The volume serial number and file index (device and inode), the same for every name
// of one file. On Windows: CreateFileW without access rights, then
// GetFileInformationByHandle.
struct file_identity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const file_identity&) const = default;
};
std::optional<file_identity> get_file_identity(std::u16string_view path);

}  // namespace winapi
