#include <algorithm>

#include "common/winapi/windows_types.h"

namespace winapi::details {

namespace {

// Beyond MAX_PATH (for a folder already beyond MAX_PATH - 12, the room of an 8.3 name)
// the calls take only "\\?\" paths, which the system uses unnormalized: the full path
// goes behind the prefix.
std::wstring long_path_form(std::wstring path) {
  constexpr size_t longest_folder = MAX_PATH - 12;
  if (path.size() < longest_folder || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) return path;
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace

std::optional<std::wstring> to_windows_path(std::u16string_view path) {
  // The system would cut the path at a NUL and name another file.
  if (path.find(u'\0') != std::u16string_view::npos) {
    ::SetLastError(ERROR_INVALID_NAME);
    return std::nullopt;
  }
  std::wstring native = to_wide(path);
  std::replace(native.begin(), native.end(), L'/', L'\\');
  return long_path_form(std::move(native));
}

}  // namespace winapi::details
