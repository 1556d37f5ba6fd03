#include <algorithm>

#include "common/winapi/windows_types.h"

namespace winapi::details {

std::optional<std::wstring> to_windows_path(std::u16string_view path) {
  // The system would cut the path at a NUL and name another file.
  if (path.find(u'\0') != std::u16string_view::npos) {
    ::SetLastError(ERROR_INVALID_NAME);
    return std::nullopt;
  }
  std::wstring native = to_wide(path);
  std::replace(native.begin(), native.end(), L'/', L'\\');
  return native;
}

}  // namespace winapi::details
