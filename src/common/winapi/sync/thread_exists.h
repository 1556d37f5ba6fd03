#pragma once
// Stand-in for OpenThread(SYNCHRONIZE, FALSE, id) followed by CloseHandle, used only to
// learn whether a thread still exists.
#include <cstdint>

namespace winapi {

// True while a thread of this process has the id (the one current_thread_id gives);
// false with the last error 87 (ERROR_INVALID_PARAMETER) once it has ended.
bool thread_exists(uint32_t thread_id);

}  // namespace winapi
