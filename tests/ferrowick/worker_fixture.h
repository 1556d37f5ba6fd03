#pragma once
// Runs the built worker the way the service does: parameter text in the standard-input
// pipe, logging configured to write the developer log into a fresh directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "support/child_process.h"
#include "support/parameter_text.h"
#include "support/temp_directory.h"

class worker_fixture : public testing::Test {
 protected:
  worker_fixture();

  static std::filesystem::path worker_binary();

  test_support::parameter_pairs client() const { return test_support::client_parameters(paths_); }
  test_support::parameter_pairs server() const { return test_support::server_parameters(paths_); }

  test_support::child_result run_with_bytes(const std::string& stdin_bytes) const;
  test_support::child_result run(const test_support::parameter_pairs& pairs) const;

  // The developer log, empty when none was written.
  std::string log_text() const;
  bool logs_directory_is_empty() const;

  // Exit 255, nothing on standard output or error, and the FATAL line in the log.
  void expect_fatal(const test_support::parameter_pairs& pairs, const std::string& fatal_text) const;
  // Exit 255 with nothing logged at all: the failure happened before logging started.
  void expect_silent_failure(const std::string& stdin_bytes) const;

  test_support::temp_directory temp_;
  test_support::parameter_paths paths_;
  // Environment changes for the worker.
  std::map<std::string, std::optional<std::string>> environment_;
};
