#include "common/winapi/files/private_folder.h"
#include "common/winapi/security/restricted_access_windows.h"
#include "common/winapi/windows_types.h"

namespace winapi {

namespace {

bool remove_entry(const std::wstring& path);

// Removes every entry of the folder, which is no link.
bool remove_contents(const std::wstring& folder) {
  WIN32_FIND_DATAW entry{};
  const HANDLE search =
      ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool removed = true;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L".." && !remove_entry(folder + L"\\" + name)) {
      removed = false;
      break;
    }
  } while (::FindNextFileW(search, &entry));
  const DWORD error = ::GetLastError();
  ::FindClose(search);
  ::SetLastError(error);
  return removed && error == ERROR_NO_MORE_FILES;
}

// A junction or a directory link is a folder with a reparse point: RemoveDirectoryW
// removes the link itself, DeleteFileW a file link itself.
bool remove_entry(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return ::DeleteFileW(path.c_str()) != FALSE;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && !remove_contents(path)) return false;
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

}  // namespace

bool create_private_folder(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  if (!native) return false;
  const auto access = details::restricted_access::make(L"(A;OICI;FA;;;{user})");
  if (!access) return false;
  SECURITY_ATTRIBUTES attributes = access->attributes();
  return ::CreateDirectoryW(native->c_str(), &attributes) != FALSE;
}

bool remove_tree_without_following_links(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  return native && remove_entry(*native);
}

}  // namespace winapi
