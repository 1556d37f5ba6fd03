#pragma once
// Program paths as UTF-8: the byte paths the Linux calls take, on both systems the form
// a library that widens a UTF-8 path again takes (the Windows calls take
// winapi::details::to_windows_path instead).
#include <optional>
#include <string>
#include <string_view>

namespace winapi {

// The UTF-8 form of path, or nothing (last error ERROR_INVALID_NAME) when it holds a
// NUL or an unpaired surrogate and cannot name a file.
std::optional<std::string> to_utf8_path(std::u16string_view path);

}  // namespace winapi
