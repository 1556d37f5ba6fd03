#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include "common/winapi/crash/process_memory_counters.h"

namespace winapi {

bool get_process_memory_info(process_memory_counters& counters) {
  PROCESS_MEMORY_COUNTERS native{};
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &native, sizeof native)) return false;
  counters.peak_working_set_size = native.PeakWorkingSetSize;
  counters.working_set_size = native.WorkingSetSize;
  counters.peak_pagefile_usage = native.PeakPagefileUsage;
  counters.pagefile_usage = native.PagefileUsage;
  counters.quota_peak_paged_pool_usage = native.QuotaPeakPagedPoolUsage;
  counters.quota_paged_pool_usage = native.QuotaPagedPoolUsage;
  counters.quota_peak_non_paged_pool_usage = native.QuotaPeakNonPagedPoolUsage;
  counters.quota_non_paged_pool_usage = native.QuotaNonPagedPoolUsage;
  return true;
}

}  // namespace winapi
