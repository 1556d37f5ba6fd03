#pragma once
// The file paths of loaded modules.
#include <string>

#include "common/dll.h"

namespace security {

// Full path of a loaded module (a handle from load_library, or the program's own).
// Raises the Windows error of "GetModuleFileNameW".
std::u16string get_module_file_name(common::dll::module_handle module);

// Full path of the module that contains this code: the worker's executable.
// Raises the Windows error of "GetModuleHandleExW" when the module cannot be found.
std::u16string get_module_file_name();

}  // namespace security
