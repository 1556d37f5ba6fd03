#include "worker_fixture.h"

#include <fstream>
#include <sstream>

worker_fixture::worker_fixture() {
  const std::filesystem::path root = temp_.path();
  paths_ = {root / "configs",           root / "logs",        root / "destination", root / "source",
            root / "destination utils", root / "source utils"};
  for (const auto& directory : {paths_.configs, paths_.logs, paths_.destination, paths_.source,
                                paths_.destination_for_utils, paths_.source_for_utils}) {
    std::filesystem::create_directory(directory);
  }
  test_support::write_logger_settings(paths_.configs, "logger settings.xml");
}

std::filesystem::path worker_fixture::worker_binary() {
  return std::filesystem::path(FERROWICK_BINARY_DIR) / "src" / "ferrowick" / "ferrowick";
}

test_support::child_result worker_fixture::run_with_bytes(const std::string& stdin_bytes) const {
  test_support::child_options options;
  options.stdin_bytes = stdin_bytes;
  options.environment = environment_;
  return test_support::run_child(worker_binary(), options);
}

test_support::child_result worker_fixture::run(const test_support::parameter_pairs& pairs) const {
  return run_with_bytes(test_support::to_utf16le(test_support::to_text(pairs)));
}

std::string worker_fixture::log_text() const {
  std::ifstream file(paths_.logs / "ferrowick.log", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool worker_fixture::logs_directory_is_empty() const { return std::filesystem::is_empty(paths_.logs); }

void worker_fixture::expect_fatal(const test_support::parameter_pairs& pairs, const std::string& fatal_text) const {
  const test_support::child_result result = run(pairs);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
  const std::string log = log_text();
  const size_t found = log.find(fatal_text);
  ASSERT_NE(found, std::string::npos) << "missing: " << fatal_text << "\nlog:\n" << log;
  const size_t line_begin = log.rfind('\n', found) + 1;
  EXPECT_NE(log.substr(line_begin, found - line_begin).find("FATAL"), std::string::npos)
      << log.substr(line_begin, found - line_begin + fatal_text.size());
}

void worker_fixture::expect_silent_failure(const std::string& stdin_bytes) const {
  const test_support::child_result result = run_with_bytes(stdin_bytes);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");
  EXPECT_TRUE(logs_directory_is_empty());
}
