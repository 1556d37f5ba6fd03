#pragma once
// Stand-ins for LoadLibraryW, FreeLibrary and GetProcAddress: the system's loader of
// shared libraries (dlopen on Linux).
#include <string>

namespace winapi {

using module_handle = void*;

// LoadLibraryW: null with the last error set when the module cannot be loaded (126 on
// Linux, whose loader keeps no errno). Every import is bound at load time.
module_handle load_library(const std::u16string& path);

// FreeLibrary: false with the last error set (6 on Linux).
bool free_library(module_handle module);

// GetProcAddress: null when the module does not export name.
void* get_proc_address(module_handle module, const char* name);

// The loader's own text of its last failure on this thread: on Linux the only account
// of it (dlerror); empty on Windows, where the last error says it all.
std::string loader_failure_text();

}  // namespace winapi
