#pragma once
// Stand-in for GetFileAttributesExW / GetFileAttributesW: what the directory entry of
// a path says, without opening it.
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

}  // namespace winapi
