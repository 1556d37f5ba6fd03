#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/windows_types.h"

namespace winapi {

std::optional<file_attribute_data> get_file_attributes_ex(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  if (!native) return std::nullopt;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(native->c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  file_attribute_data result;
  result.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  result.size = static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
  result.last_write_time = details::to_ticks(data.ftLastWriteTime);
  return result;
}

std::optional<file_identity> get_file_identity(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  if (!native) return std::nullopt;
  // No access rights: the file is only asked about. Folders open with backup semantics.
  const HANDLE file = ::CreateFileW(native->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  file_identity identity;
  const bool known = get_file_identity_by_handle(details::from_native(file), &identity);
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  if (!known) {
    ::SetLastError(error);
    return std::nullopt;
  }
  return identity;
}

}  // namespace winapi
