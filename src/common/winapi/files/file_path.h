#pragma once
// Conversion of program paths to the byte paths the system calls take.
#include <optional>
#include <string>
#include <string_view>

namespace winapi {

// The UTF-8 form of path, or nothing (last error ERROR_INVALID_NAME) when it holds a
// NUL or an unpaired surrogate and cannot name a file.
std::optional<std::string> to_native_path(std::u16string_view path);

}  // namespace winapi
