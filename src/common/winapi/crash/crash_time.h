#pragma once
// Local time for crash dump names. Windows: GetLocalTime. Linux: localtime_r may take the
// time-zone lock and read zone files, which a crashed process must not do; so the offset
// from UTC is taken once while the process is healthy and applied to the clock at the
// crash (a daylight-saving change during the run is not followed).
#include <ctime>

namespace winapi {

void prepare_crash_local_time();

// Async-signal-safe (Linux: clock_gettime and arithmetic).
std::tm crash_local_time();

}  // namespace winapi
