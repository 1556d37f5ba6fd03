#pragma once
// Tells a person why a worker failed: the worker writes failures before its update step
// only to its developer log and to a history archive in the logs directory, and the
// causes of an unreachable server only to its developer log.
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace ferrowick_run {

struct worker_logs {
  std::filesystem::path logs_directory;
  std::string base_name;  // the worker's file name without extension
};

class failure_report {
 public:
  // Notes what the logs directory holds before the worker starts, so that only this
  // run's records are reported.
  explicit failure_report(worker_logs logs);

  // For a worker that failed without a word on standard error. One or more lines: the
  // run's FATAL line from the developer log, else the history archive the run left,
  // and how to turn the developer log on.
  std::string explain() const;

  // For a worker whose standard error begins with error_text. After a download failure
  // (5652 to 5654; 5629 lists its causes itself) the causes the worker logged on the way that its message does
  // not show (the server's or the proxy's answer, a certificate's name); else nothing.
  std::string explain_download_failure(const std::string& error_text) const;

 private:
  std::filesystem::path developer_log() const;
  std::vector<std::string> records_of_this_run() const;
  std::set<std::filesystem::path> archives() const;

  worker_logs logs_;
  uintmax_t log_size_before_ = 0;
  std::set<std::filesystem::path> archives_before_;
};

}  // namespace ferrowick_run
