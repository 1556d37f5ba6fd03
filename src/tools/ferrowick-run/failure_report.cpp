#include "failure_report.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

namespace ferrowick_run {

namespace {

constexpr const char* prefix = "ferrowick-run: ";

// The worker's standard-error text of an update error and the codes of download failures
// whose message leaves out their causes (5629 lists them itself).
constexpr std::string_view code_text = "application_exception [code: ";
constexpr int download_failures[] = {5652, 5653, 5654};
// Exceptions raised on the way to the update server are logged from these sources.
constexpr std::string_view download_sources = "/updater_lib/details/https/";

uintmax_t size_or_zero(const std::filesystem::path& file) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(file, error);
  return error ? 0 : size;
}

// A record starts with its date, "YYYY/MM/DD "; other lines continue the one before.
bool starts_record(const std::string& line) {
  return line.size() > 11 && std::isdigit(static_cast<unsigned char>(line[0])) && line[4] == '/' && line[7] == '/' &&
         line[10] == ' ';
}

std::optional<int> update_error_code(const std::string& error_text) {
  if (!error_text.starts_with(code_text)) return std::nullopt;
  int code = 0;
  const char* digits = error_text.data() + code_text.size();
  if (std::from_chars(digits, error_text.data() + error_text.size(), code).ec != std::errc()) return std::nullopt;
  return code;
}

// The text the throw routine logged: everything between "EXCEPTION " and its type.
std::optional<std::string> exception_text(const std::string& record) {
  const size_t start = record.find(" EXCEPTION ");
  const size_t type = record.rfind("; class ");
  if (start == std::string::npos || type == std::string::npos || type < start) return std::nullopt;
  if (record.find(download_sources, type) == std::string::npos) return std::nullopt;
  return record.substr(start + 11, type - start - 11);
}

}  // namespace

failure_report::failure_report(worker_logs logs)
    : logs_(std::move(logs)), log_size_before_(size_or_zero(developer_log())), archives_before_(archives()) {}

std::filesystem::path failure_report::developer_log() const {
  return logs_.logs_directory / (logs_.base_name + ".log");
}

// A log that is smaller than before the run was rolled over: all of it is this run's.
// Continuation lines join their record, line feed first, without their alignment.
std::vector<std::string> failure_report::records_of_this_run() const {
  std::ifstream log(developer_log(), std::ios::binary);
  if (size_or_zero(developer_log()) >= log_size_before_) log.seekg(static_cast<std::streamoff>(log_size_before_));
  std::vector<std::string> records;
  std::string line;
  while (std::getline(log, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (starts_record(line) || records.empty()) {
      records.push_back(line);
    } else {
      records.back() += "\n" + line.substr(std::min(line.find_first_not_of(' '), line.size()));
    }
  }
  return records;
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
  std::string fatal;
  for (const std::string& record : records_of_this_run()) {
    if (record.find(" FATAL ") != std::string::npos) fatal = record;
  }
  if (!fatal.empty()) return prefix + std::string("the worker failed: ") + fatal + "\n";
  std::string text;
  for (const auto& archive : archives()) {
    if (!archives_before_.contains(archive)) {
      text += prefix + std::string("the worker failed; its last records are in ") + archive.string() + "\n";
    }
  }
  if (text.empty()) text = prefix + std::string("the worker failed without a message\n");
  return text + prefix + "to see why, run the task again with --log-level DEBUG and read " + developer_log().string() +
         "\n";
}

std::string failure_report::explain_download_failure(const std::string& error_text) const {
  const std::optional<int> code = update_error_code(error_text);
  if (!code ||
      std::find(std::begin(download_failures), std::end(download_failures), *code) == std::end(download_failures)) {
    return {};
  }
  const std::string message = error_text.substr(std::min(error_text.find('\n') + 1, error_text.size()));
  const std::vector<std::string> records = records_of_this_run();
  if (records.empty()) {
    return prefix + std::string("the causes are in the developer log: run the task again with --log-level DEBUG\n");
  }
  std::vector<std::string> causes;
  for (const std::string& record : records) {
    const std::optional<std::string> text = exception_text(record);
    if (!text || message.find(*text) != std::string::npos ||
        std::find(causes.begin(), causes.end(), *text) != causes.end()) {
      continue;
    }
    causes.push_back(*text);
  }
  if (causes.empty()) return {};
  std::string text =
      prefix + std::string("causes the worker logged on the way (from ") + developer_log().string() + "):\n";
  for (std::string cause : causes) {
    if (cause.starts_with('\n')) cause.erase(0, 1);
    for (size_t at = 0; (at = cause.find('\n', at)) != std::string::npos; at += 5) cause.replace(at, 1, "\n    ");
    text += "  " + cause + "\n";
  }
  return text;
}

}  // namespace ferrowick_run
