#pragma once
// Stand-ins for GetFileAttributesExW / GetFileAttributesW, for the identity that
// GetFileInformationByHandle gives and for who may read a file (GetNamedSecurityInfoW):
// what the system keeps about a path, without reading its contents.
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

// Whether anyone but the file's owner may read it. Linux: the group or others read bit.
// Windows: a NULL DACL, or an allowed ACE granting read to a SID other than the owner,
// LocalSystem and Administrators (deny ACEs are not weighed, so this errs towards yes).
// Raises win32::exception("GetNamedSecurityInfoW") when the file cannot be asked about.
bool readable_by_others(std::u16string_view path);

}  // namespace winapi
