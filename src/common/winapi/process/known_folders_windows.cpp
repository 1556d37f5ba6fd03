#include "common/winapi/process/known_folders.h"
#include "common/winapi/windows_types.h"
// After windows.h, which these need.
#include <knownfolders.h>
#include <shlobj.h>

namespace winapi {

std::optional<std::u16string> get_local_app_data_path() {
  PWSTR path = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
  // The buffer is the caller's to free, even when the call fails.
  std::optional<std::u16string> folder;
  if (SUCCEEDED(result)) folder = details::from_wide(path);
  ::CoTaskMemFree(path);
  return folder;
}

}  // namespace winapi
