#pragma once
// Stand-in for GetProcessMemoryInfo (PROCESS_MEMORY_COUNTERS) of the own process, from
// /proc/self/status:
//   PeakWorkingSetSize = VmHWM (peak resident size), WorkingSetSize = VmRSS,
//   PeakPagefileUsage = VmPeak (peak virtual size), PagefileUsage = VmSize.
// Linux has no paged or non-paged pool quotas; those four counters are 0.
#include <cstdint>

namespace winapi {

struct process_memory_counters {
  uint64_t peak_working_set_size = 0;
  uint64_t working_set_size = 0;
  uint64_t peak_pagefile_usage = 0;
  uint64_t pagefile_usage = 0;
  uint64_t quota_peak_paged_pool_usage = 0;
  uint64_t quota_paged_pool_usage = 0;
  uint64_t quota_peak_non_paged_pool_usage = 0;
  uint64_t quota_non_paged_pool_usage = 0;
};

// Values in bytes. False with the last error set when the status cannot be read or
// lacks one of the four sizes.
bool get_process_memory_info(process_memory_counters& counters);

}  // namespace winapi
