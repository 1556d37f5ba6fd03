#pragma once
// The seam's portable types as the Windows ones; included only by the Windows
// implementations (*_windows.cpp).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/winapi/process/handle.h"

namespace winapi::details {

static_assert(sizeof(handle_t) == sizeof(HANDLE));

inline HANDLE to_native(handle_t handle) { return reinterpret_cast<HANDLE>(handle); }
inline handle_t from_native(HANDLE handle) { return reinterpret_cast<handle_t>(handle); }

// Program text is UTF-16, as the wide calls take it (wchar_t has 16 bits on Windows).
inline std::wstring to_wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string from_wide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// A program path as the wide calls take it, with backslashes as separators (long paths
// with the "\\?\" prefix take no other); a path too long for the plain calls in its full
// form behind that prefix. Nothing (last error ERROR_INVALID_NAME) when it holds a NUL.
std::optional<std::wstring> to_windows_path(std::u16string_view path);

// FILETIME as one 64-bit count of 100-ns ticks since 1601-01-01 UTC.
inline uint64_t to_ticks(const FILETIME& time) { return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

}  // namespace winapi::details
