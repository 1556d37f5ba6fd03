#include <filesystem>
#include <iterator>

#include "support/process_resources.h"

namespace test_support {

namespace {

size_t entries_of(const char* directory) {
  const std::filesystem::directory_iterator entries(directory);
  return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

}  // namespace

size_t threads_of_this_process() { return entries_of("/proc/self/task"); }

size_t open_handles_of_this_process() { return entries_of("/proc/self/fd"); }

}  // namespace test_support
