#pragma once
// The closing lines of a stop-event benchmark: the latencies' median against its target and
// whether every try ended with the cancelled code. Returns the program's exit code.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "median.h"

inline int report_stop_latencies(const std::vector<double>& latencies, double max_median_milliseconds,
                                 const char* code_name, int cancelled_code, bool all_cancelled) {
  if (latencies.empty()) {
    std::printf("TARGETS MISSED\n");
    return 1;
  }
  const double middle = median(latencies);
  std::printf("stop event -> runner exit: median %.1f ms, min %.1f ms, max %.1f ms (target median < %.0f ms)\n", middle,
              *std::min_element(latencies.begin(), latencies.end()),
              *std::max_element(latencies.begin(), latencies.end()), max_median_milliseconds);
  std::printf("%s %d in every try: %s\n", code_name, cancelled_code, all_cancelled ? "yes" : "no");
  const bool met = all_cancelled && middle < max_median_milliseconds;
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
