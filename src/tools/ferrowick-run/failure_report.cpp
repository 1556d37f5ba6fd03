#include "failure_report.h"

#include <fstream>
#include <system_error>
#include <utility>

namespace ferrowick_run {

namespace {

constexpr const char* prefix = "ferrowick-run: ";

uintmax_t size_or_zero(const std::filesystem::path& file) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(file, error);
  return error ? 0 : size;
}

}  // namespace

failure_report::failure_report(worker_logs logs)
    : logs_(std::move(logs)), log_size_before_(size_or_zero(developer_log())), archives_before_(archives()) {}

std::filesystem::path failure_report::developer_log() const {
  return logs_.logs_directory / (logs_.base_name + ".log");
}

// A log that is smaller than before the run was rolled over: all of it is this run's.
std::string failure_report::last_fatal_line() const {
  std::ifstream log(developer_log(), std::ios::binary);
  if (size_or_zero(developer_log()) >= log_size_before_) log.seekg(static_cast<std::streamoff>(log_size_before_));
  std::string line, fatal;
  while (std::getline(log, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find(" FATAL ") != std::string::npos) fatal = line;
  }
  return fatal;
}

std::set<std::filesystem::path> failure_report::archives() const {
  std::set<std::filesystem::path> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(logs_.logs_directory, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(logs_.base_name) && name.ends_with(".zip")) found.insert(entry.path());
  }
  return found;
}

std::string failure_report::explain() const {
  if (const std::string fatal = last_fatal_line(); !fatal.empty()) {
    return prefix + std::string("the worker failed: ") + fatal + "\n";
  }
  std::string text;
  for (const auto& archive : archives()) {
    if (!archives_before_.contains(archive)) {
      text += prefix + std::string("the worker failed; its last records are in ") + archive.string() + "\n";
    }
  }
  if (text.empty()) text = prefix + std::string("the worker failed without a message\n");
  return text + prefix + "to see why, set use_developer_log=\"true\" in " + logs_.settings_file.string() +
         " and read " + developer_log().string() + "\n";
}

}  // namespace ferrowick_run
