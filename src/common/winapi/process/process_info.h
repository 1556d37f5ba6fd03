#pragma once
// Stand-ins for GetCurrentThreadId, GetCurrentProcessId and GetSystemTimeAsFileTime.
#include <cstdint>
#include <ctime>
#include <optional>

namespace winapi {

uint32_t current_thread_id();
uint32_t current_process_id();

// System time in 100-ns ticks since 1970-01-01 00:00:00 UTC.
int64_t current_time_ticks();

// Local broken-down time of seconds since 1970, or nothing when it cannot be converted.
std::optional<std::tm> to_local_time(int64_t seconds_since_epoch);

}  // namespace winapi
