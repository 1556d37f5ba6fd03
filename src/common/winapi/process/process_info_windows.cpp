#include <windows.h>

#include "common/winapi/process/process_info.h"

namespace winapi {

namespace {
// FILETIME counts from 1601-01-01, the seam's ticks from 1970-01-01.
constexpr int64_t ticks_from_1601_to_1970 = 116444736000000000;
}  // namespace

uint32_t current_thread_id() { return ::GetCurrentThreadId(); }

uint32_t current_process_id() { return ::GetCurrentProcessId(); }

int64_t current_time_ticks() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return static_cast<int64_t>(ticks) - ticks_from_1601_to_1970;
}

std::optional<std::tm> to_local_time(int64_t seconds_since_epoch) {
  const std::time_t time = static_cast<std::time_t>(seconds_since_epoch);
  std::tm local{};
  if (::localtime_s(&local, &time) != 0) return std::nullopt;
  return local;
}

}  // namespace winapi
