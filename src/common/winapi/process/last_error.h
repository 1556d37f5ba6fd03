#pragma once
// Stand-in for GetLastError/SetLastError: a per-thread Windows error value that the
// platform layer sets from errno when a system call fails, so callers can raise
// win32::exception exactly as on Windows.
#include <cstdint>

namespace winapi {

// Every value the platform layer sets, by errno or by number; each has a row in the
// English message table (error_lib/windows_messages.cpp).
constexpr uint32_t error_success = 0;
constexpr uint32_t error_invalid_function = 1;
constexpr uint32_t error_file_not_found = 2;
constexpr uint32_t error_path_not_found = 3;
constexpr uint32_t error_too_many_open_files = 4;
constexpr uint32_t error_access_denied = 5;
constexpr uint32_t error_invalid_handle = 6;
constexpr uint32_t error_not_enough_memory = 8;
constexpr uint32_t error_bad_format = 11;
constexpr uint32_t error_invalid_data = 13;
constexpr uint32_t error_not_same_device = 17;
constexpr uint32_t error_no_more_files = 18;
constexpr uint32_t error_write_protect = 19;
constexpr uint32_t error_gen_failure = 31;
constexpr uint32_t error_sharing_violation = 32;
constexpr uint32_t error_handle_eof = 38;
constexpr uint32_t error_not_supported = 50;
constexpr uint32_t error_file_exists = 80;
constexpr uint32_t error_invalid_parameter = 87;
constexpr uint32_t error_broken_pipe = 109;
constexpr uint32_t error_disk_full = 112;
constexpr uint32_t error_insufficient_buffer = 122;
constexpr uint32_t error_invalid_name = 123;
constexpr uint32_t error_mod_not_found = 126;
constexpr uint32_t error_dir_not_empty = 145;
constexpr uint32_t error_already_exists = 183;
constexpr uint32_t error_filename_exced_range = 206;
constexpr uint32_t error_file_too_large = 223;
constexpr uint32_t error_wait_timeout = 258;
constexpr uint32_t error_mr_mid_not_found = 317;
constexpr uint32_t error_io_device = 1117;
constexpr uint32_t error_timeout = 1460;
constexpr uint32_t error_resource_lang_not_found = 1815;
constexpr uint32_t error_cant_resolve_filename = 1921;

uint32_t get_last_error();
void set_last_error(uint32_t value);

// Maps an errno value to the Windows error value the same failure has on Windows.
uint32_t errno_to_win32(int error_number);

// Sets the last error from the current errno and returns it.
uint32_t set_last_error_from_errno();

}  // namespace winapi
