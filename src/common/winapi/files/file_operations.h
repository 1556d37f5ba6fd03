#pragma once
// Stand-ins for the runtime's _wrename and _wremove and for CreateDirectoryW. Each
// returns false with the last error set on failure.
#include <string_view>

namespace winapi {

// Fails (ERROR_FILE_EXISTS) when new_path already exists, as _wrename does.
bool rename_file(std::u16string_view old_path, std::u16string_view new_path);

// Removes a file, never a directory.
bool remove_file(std::u16string_view path);

// One directory whose parent exists; fails with 183 (ERROR_ALREADY_EXISTS) when the name
// is taken.
bool create_directory(std::u16string_view path);

}  // namespace winapi
