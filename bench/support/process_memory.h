#pragma once
// Resident-memory figures of the benchmark process itself.
#include <fstream>
#include <string>

namespace bench_support {

// A field of /proc/self/status in KiB, or -1 when it is missing.
inline long status_kib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// Starts VmHWM afresh from the current resident size.
inline void reset_peak_resident_memory() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace bench_support
