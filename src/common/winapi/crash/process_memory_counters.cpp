#include "common/winapi/crash/process_memory_counters.h"

#include <fstream>
#include <string>
#include <utility>

#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

// "VmHWM:\t    1234 kB" -> 1234 * 1024
bool read_kilobytes(const std::string& line, uint64_t& bytes) {
  const size_t digits = line.find_first_of("0123456789");
  if (digits == std::string::npos || line.size() < 4 || line.compare(line.size() - 3, 3, " kB") != 0) return false;
  bytes = std::stoull(line.substr(digits)) * 1024;
  return true;
}

}  // namespace

bool get_process_memory_info(process_memory_counters& counters) {
  std::ifstream status("/proc/self/status");
  if (!status) {
    set_last_error_from_errno();
    return false;
  }
  counters = {};
  std::pair<const char*, uint64_t*> fields[] = {{"VmHWM:", &counters.peak_working_set_size},
                                                {"VmRSS:", &counters.working_set_size},
                                                {"VmPeak:", &counters.peak_pagefile_usage},
                                                {"VmSize:", &counters.pagefile_usage}};
  size_t found = 0;
  for (std::string line; std::getline(status, line);) {
    for (auto& [name, value] : fields) {
      if (line.starts_with(name) && read_kilobytes(line, *value)) ++found;
    }
  }
  if (found != std::size(fields)) {
    set_last_error(error_gen_failure);
    return false;
  }
  return true;
}

}  // namespace winapi
