#pragma once
// Runs the crash tests' worker, which faults the way FERROWICK_TEST_CRASH names right
// after installing its crash handlers, and reads what the crash left in the logs folder.
#include <filesystem>
#include <string>
#include <vector>

#include "worker_fixture.h"

class crash_fixture : public worker_fixture {
 public:
  static std::filesystem::path crash_worker_binary();
  // The developer log is named after the program.
  static std::string crash_log_name();

 protected:
  // The run is bounded: a worker that hangs is killed and the result shows SIGKILL.
  test_support::child_result run_crashing(const std::string& mode) const;
  test_support::child_result run_crashing(const std::filesystem::path& program, std::vector<std::string> arguments,
                                          const std::string& mode) const;
  test_support::child_result run_crashing(const std::filesystem::path& program, std::vector<std::string> arguments,
                                          const std::string& mode, const test_support::parameter_pairs& pairs) const;

  // Every developer log generation in the logs folder (or in folder), oldest first, with
  // the continuation lines of multi-line records moved back to the first column.
  std::string all_log_text() const;
  std::string all_log_text(const std::filesystem::path& folder) const;
  std::vector<std::filesystem::path> dump_files() const;

  // gdb's backtrace of a dump in batch mode, then the faulting thread's program counter
  // as "pc=<hex>".
  static std::string backtrace_of(const std::filesystem::path& dump);
};

// The number of times text occurs in haystack.
size_t occurrences(const std::string& haystack, const std::string& text);

// The whole line around position.
std::string line_at(const std::string& text, size_t position);
