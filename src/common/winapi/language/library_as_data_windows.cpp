#include "common/winapi/language/library_as_data.h"
#include "common/winapi/windows_types.h"

namespace winapi {

data_module_handle load_library_as_datafile(const std::u16string& path) {
  const auto native = details::to_windows_path(path);
  if (!native) return nullptr;
  // Exclusive: no other process may open the file for writing while it is mapped. As an
  // image resource: mapped as an image, but no import is loaded and nothing in it runs.
  const HMODULE module =
      ::LoadLibraryExW(native->c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  return reinterpret_cast<data_module_handle>(module);
}

bool free_data_library(data_module_handle module) {
  if (module == nullptr) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return ::FreeLibrary(reinterpret_cast<HMODULE>(const_cast<data_module*>(module))) != FALSE;
}

}  // namespace winapi
