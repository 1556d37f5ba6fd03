#pragma once
// Stand-in for GetLastError/SetLastError: a per-thread Windows error value that the
// platform layer sets from errno when a system call fails, so callers can raise
// win32::exception exactly as on Windows.
#include <cstdint>

namespace winapi {

constexpr uint32_t error_success = 0;
constexpr uint32_t error_file_not_found = 2;
constexpr uint32_t error_path_not_found = 3;
constexpr uint32_t error_access_denied = 5;
constexpr uint32_t error_invalid_handle = 6;
constexpr uint32_t error_no_more_files = 18;
constexpr uint32_t error_file_exists = 80;
constexpr uint32_t error_invalid_parameter = 87;
constexpr uint32_t error_broken_pipe = 109;
constexpr uint32_t error_disk_full = 112;
constexpr uint32_t error_already_exists = 183;
constexpr uint32_t error_wait_timeout = 258;

uint32_t get_last_error();
void set_last_error(uint32_t value);

// Maps an errno value to the Windows error value the same failure has on Windows.
uint32_t errno_to_win32(int error_number);

// Sets the last error from the current errno and returns it.
uint32_t set_last_error_from_errno();

}  // namespace winapi
