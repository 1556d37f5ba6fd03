#pragma once
// LoadLibraryExW with LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE
// and its FreeLibrary, for the localization library: its message tables are read, nothing
// in it is ever executed. On Linux the library is a message catalog file
// (message_catalog.h), read whole, checked whole and kept in memory as the module.
#include <cstdint>
#include <string>

namespace winapi {

// What a module handle points at is the system's own (an HMODULE on Windows), never
// looked into above the platform layer.
struct data_module;
using data_module_handle = const data_module*;

// Larger files are not taken for a library (Linux).
constexpr int64_t max_data_library_size = 16 * 1024 * 1024;

// The loaded library, or null with the last error set: the file's own error when it
// cannot be read (Linux: 2 when missing, 223 (ERROR_FILE_TOO_LARGE) above the size
// limit, 11 (ERROR_BAD_FORMAT) when it is damaged or not a message catalog; Windows: 126
// when missing, 193 when it is not a library).
data_module_handle load_library_as_datafile(const std::u16string& path);

// FreeLibrary: false with 6 (ERROR_INVALID_HANDLE) for a null module.
bool free_data_library(data_module_handle module);

}  // namespace winapi
