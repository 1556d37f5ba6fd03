#pragma once
// Counting the threads of this process: a logger's watcher is the only one it starts.
#include <cstddef>

namespace logger_tests {

size_t threads_of_this_process();

}  // namespace logger_tests
