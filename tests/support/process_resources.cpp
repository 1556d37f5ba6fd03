#include "support/process_resources.h"

#include <gtest/gtest.h>

#include <thread>

namespace test_support {

process_resources current_process_resources() {
  static const bool runtime_helpers_started = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)runtime_helpers_started;
  const process_resources counted{threads_of_this_process(), open_handles_of_this_process()};
  // A count that cannot be read would make every comparison pass.
  if (counted.threads == 0 || counted.handles == 0)
    ADD_FAILURE() << "the process's threads or handles were not counted";
  return counted;
}

}  // namespace test_support
