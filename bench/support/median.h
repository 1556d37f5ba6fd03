#pragma once
// The median of a benchmark's measurements (the mean of the middle two for an even count).
#include <algorithm>
#include <vector>

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
