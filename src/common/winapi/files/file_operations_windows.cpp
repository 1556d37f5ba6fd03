#include "common/winapi/files/file_operations.h"
#include "common/winapi/windows_types.h"

namespace winapi {

// _wrename is MoveFileExW without replacing; the last error is the system's.
bool rename_file(std::u16string_view old_path, std::u16string_view new_path) {
  const auto native_old = details::to_windows_path(old_path);
  const auto native_new = details::to_windows_path(new_path);
  if (!native_old || !native_new) return false;
  return ::MoveFileExW(native_old->c_str(), native_new->c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool remove_file(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  return native && ::DeleteFileW(native->c_str()) != FALSE;
}

bool create_directory(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  return native && ::CreateDirectoryW(native->c_str(), nullptr) != FALSE;
}

}  // namespace winapi
