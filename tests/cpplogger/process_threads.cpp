#include "process_threads.h"

#include <filesystem>
#include <iterator>

namespace logger_tests {

size_t threads_of_this_process() {
  const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
  return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

}  // namespace logger_tests
