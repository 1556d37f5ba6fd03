#include "crash_fixture.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

constexpr std::chrono::seconds crash_run_limit{30};

std::string read_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

std::filesystem::path crash_fixture::crash_worker_binary() {
  return std::filesystem::path(FERROWICK_BINARY_DIR) / "src" / "ferrowick" / "ferrowick-crash-test-worker";
}

std::string crash_fixture::crash_log_name() { return crash_worker_binary().filename().string() + ".log"; }

test_support::child_result crash_fixture::run_crashing(const std::string& mode) const {
  return run_crashing(crash_worker_binary(), {}, mode);
}

test_support::child_result crash_fixture::run_crashing(const std::filesystem::path& program,
                                                       std::vector<std::string> arguments,
                                                       const std::string& mode) const {
  return run_crashing(program, std::move(arguments), mode, client());
}

test_support::child_result crash_fixture::run_crashing(const std::filesystem::path& program,
                                                       std::vector<std::string> arguments, const std::string& mode,
                                                       const test_support::parameter_pairs& pairs) const {
  test_support::child_options options;
  options.arguments = std::move(arguments);
  options.stdin_bytes = test_support::to_utf16le(test_support::to_text(pairs));
  options.environment = environment_;
  options.environment["FERROWICK_TEST_CRASH"] = mode;
  options.timeout = crash_run_limit;
  return test_support::run_child(program, options);
}

std::string crash_fixture::all_log_text() const { return all_log_text(paths_.logs); }

std::string crash_fixture::all_log_text(const std::filesystem::path& folder) const {
  std::vector<std::filesystem::path> generations;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(crash_log_name())) generations.push_back(entry.path());
  }
  // <name>.log.4 is the oldest, <name>.log the newest.
  std::sort(generations.begin(), generations.end(), std::greater<>());
  std::string text;
  for (const auto& path : generations) text += read_file(path);
  // Records start with their date; only continuation lines start with blanks.
  return std::regex_replace(text, std::regex("\n +"), "\n");
}

std::vector<std::filesystem::path> crash_fixture::dump_files() const {
  std::vector<std::filesystem::path> dumps;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(paths_.logs)) {
    if (entry.path().extension() == ".dmp") dumps.push_back(entry.path());
  }
  return dumps;
}

std::string crash_fixture::backtrace_of(const std::filesystem::path& dump) {
  test_support::child_options options;
  options.arguments = {"-batch",
                       "-nx",
                       "-iex",
                       "set debuginfod enabled off",
                       "-ex",
                       "bt 6",
                       "-ex",
                       "printf \"pc=%lx\\n\", $pc",
                       crash_worker_binary().string(),
                       dump.string()};
  options.timeout = std::chrono::seconds(60);
  const test_support::child_result result = test_support::run_child("/usr/bin/gdb", options);
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  return result.stdout_text + result.stderr_text;
}

size_t occurrences(const std::string& haystack, const std::string& text) {
  size_t count = 0;
  for (size_t found = haystack.find(text); found != std::string::npos; found = haystack.find(text, found + 1)) {
    ++count;
  }
  return count;
}

std::string line_at(const std::string& text, size_t position) {
  const size_t begin = text.rfind('\n', position);
  const size_t end = text.find('\n', position);
  const size_t first = begin == std::string::npos ? 0 : begin + 1;
  return text.substr(first, end == std::string::npos ? std::string::npos : end - first);
}
