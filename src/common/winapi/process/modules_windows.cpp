#include "common/winapi/process/modules.h"
#include "common/winapi/windows_types.h"

namespace winapi {

// The loader takes only backslashes as separators.
module_handle load_library(const std::u16string& path) {
  const auto native = details::to_windows_path(path);
  return native ? ::LoadLibraryW(native->c_str()) : nullptr;
}

bool free_library(module_handle module) { return ::FreeLibrary(static_cast<HMODULE>(module)) != FALSE; }

void* get_proc_address(module_handle module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

std::string loader_failure_text() { return {}; }

}  // namespace winapi
