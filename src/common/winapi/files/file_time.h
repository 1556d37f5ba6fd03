#pragma once
// FILETIME values: 100-ns ticks since 1601-01-01 UTC.
#include <cstdint>
#include <ctime>

namespace winapi {

uint64_t to_file_time(const timespec& time);

}  // namespace winapi
