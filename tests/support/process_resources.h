#pragma once
// Threads and open handles of this process, to show that a failure or a stopped watcher
// leaves none behind.
#include <cstddef>

namespace test_support {

size_t threads_of_this_process();

// Open file descriptors on Linux, kernel handles on Windows.
size_t open_handles_of_this_process();

struct process_resources {
  size_t threads = 0;
  size_t handles = 0;
  bool operator==(const process_resources&) const = default;
};

// Both counts, taken after the first thread the process starts: a runtime may start a
// helper of its own with it (a sanitizer's thread, a threading library's handles).
process_resources current_process_resources();

}  // namespace test_support
