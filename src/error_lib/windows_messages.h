#pragma once
#include <cstdint>

namespace win32 {

// The English system message for a Windows error value with its code suffix,
// or nullptr when the table has no row for it.
const char* find_windows_message(uint32_t code);

}  // namespace win32
