#pragma once
// Stand-ins for LoadLibraryExW with LOAD_LIBRARY_AS_DATAFILE and its FreeLibrary: a
// localization library is a message catalog file (message_catalog.h), read whole,
// checked whole and kept in memory as the module. Nothing in it is ever executed.
#include <cstdint>
#include <string>

#include "common/winapi/message_catalog.h"

namespace winapi {

// The module handle of a library loaded as data.
using data_module_handle = const message_catalog*;

// Larger files are not taken for a library.
constexpr int64_t max_data_library_size = 16 * 1024 * 1024;

// The loaded library, or null with the last error set: the file's own error when it
// cannot be read (2 when missing), 223 (ERROR_FILE_TOO_LARGE) above the size limit,
// 11 (ERROR_BAD_FORMAT) when it is damaged or not a message catalog.
data_module_handle load_library_as_datafile(const std::u16string& path);

// FreeLibrary: false with 6 (ERROR_INVALID_HANDLE) for a null module.
bool free_data_library(data_module_handle module);

}  // namespace winapi
