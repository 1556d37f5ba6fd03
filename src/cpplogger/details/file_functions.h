#pragma once
// The logging library's own small file queries. They report to the debugger output or
// throw standard exceptions, never through the logger.
#include <cstdint>
#include <string>

namespace cpplogger::details {

// Size in bytes; 0 (after a debugger message) when it cannot be read or is negative.
int64_t get_file_size(const std::u16string& path);

// True when path names an existing file that is not a directory.
bool is_existing_file(const std::u16string& path);

// Last-write time (FILETIME); throws std::runtime_error.
uint64_t get_file_last_write_time(const std::u16string& path);

}  // namespace cpplogger::details
