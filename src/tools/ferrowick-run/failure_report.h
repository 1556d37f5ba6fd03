#pragma once
// Tells a person why a worker failed without a word on standard error: the worker
// writes such failures only to its developer log (off unless its settings turn it on)
// and to a history archive in the logs directory.
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

namespace ferrowick_run {

struct worker_logs {
  std::filesystem::path logs_directory;
  std::string base_name;  // the worker's file name without extension
  std::filesystem::path settings_file;
};

class failure_report {
 public:
  // Notes what the logs directory holds before the worker starts, so that only this
  // run's records are reported.
  explicit failure_report(worker_logs logs);

  // One or more lines: the run's FATAL line from the developer log, else the history
  // archive the run left, and how to turn the developer log on.
  std::string explain() const;

 private:
  std::filesystem::path developer_log() const;
  std::string last_fatal_line() const;
  std::set<std::filesystem::path> archives() const;

  worker_logs logs_;
  uintmax_t log_size_before_ = 0;
  std::set<std::filesystem::path> archives_before_;
};

}  // namespace ferrowick_run
