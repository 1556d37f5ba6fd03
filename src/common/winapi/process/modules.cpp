#include "common/winapi/process/modules.h"

#include <dlfcn.h>

#include "common/text.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

module_handle load_library(const std::u16string& path) {
  module_handle module = ::dlopen(common::utf16_to_utf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) set_last_error(error_mod_not_found);
  return module;
}

bool free_library(module_handle module) {
  if (::dlclose(module) == 0) return true;
  // A failing close means the handle was not a module.
  set_last_error(error_invalid_handle);
  return false;
}

void* get_proc_address(module_handle module, const char* name) { return ::dlsym(module, name); }

std::string loader_failure_text() {
  const char* text = ::dlerror();
  return text != nullptr ? text : "";
}

}  // namespace winapi
