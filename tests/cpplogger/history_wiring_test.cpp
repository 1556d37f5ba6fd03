// The history log behind the logging call and the logger: every record passes through it
// whatever the developer log does, ERROR leaves one zip archive in the logs directory,
// and a starting logger archives history files an earlier run left loose.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cpplogger/details/Logger.h"
#include "cpplogger/logger.h"
#include "logger_test_support.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace {

using namespace logger_tests;

std::vector<std::string> names_in(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

test_support::child_result python(const std::string& script, const std::filesystem::path& archive) {
  test_support::child_options options;
  options.arguments = {"python3", "-c", script, archive.string()};
  return test_support::run_child("/usr/bin/env", options);
}

// Entry names of a zip archive, one a line, in archive order.
std::string entry_names(const std::filesystem::path& archive) {
  const auto listed =
      python("import sys, zipfile\nfor name in zipfile.ZipFile(sys.argv[1]).namelist(): print(name)", archive);
  EXPECT_EQ(listed.exit_code, 0) << listed.stderr_text;
  return listed.stdout_text;
}

// The content of the one entry whose name ends with suffix.
std::string entry_ending_with(const std::filesystem::path& archive, const std::string& suffix) {
  const auto read = python(
      "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
      "[sys.stdout.buffer.write(z.read(n)) for n in z.namelist() if n.endswith('" +
          suffix + "')]",
      archive);
  EXPECT_EQ(read.exit_code, 0) << read.stderr_text;
  return read.stdout_text;
}

class history_wiring_test : public ::testing::Test {
 protected:
  history_wiring_test() { std::filesystem::create_directory(logs()); }

  void start(const std::string& use_developer_log) {
    write_bytes(directory.path() / "logger.xml", settings_xml(use_developer_log, "TRACE"));
    logger->start(u16(directory.path()), u"logger.xml", u16(logs()), u"worker", false, {});
  }
  std::filesystem::path logs() const { return directory.path() / "logs"; }
  // The only archive in the logs directory.
  std::filesystem::path archive() const {
    std::vector<std::string> archives;
    for (const auto& name : names_in(logs()))
      if (name.ends_with(".zip")) archives.push_back(name);
    EXPECT_EQ(archives.size(), 1u);
    return archives.empty() ? std::filesystem::path() : logs() / archives.front();
  }

  test_support::temp_directory directory;
  std::shared_ptr<cpplogger::details::Logger> logger = std::make_shared<cpplogger::details::Logger>();
};

TEST_F(history_wiring_test, an_error_with_the_developer_log_off_leaves_one_archive_of_the_records_before_it) {
  start("false");
  const installed_logger installed(logger);
  cpplogger::log(cpplogger::level_info, u"from an earlier run of the test program");
  cpplogger::clear_history();
  cpplogger::log(cpplogger::level_trace, u"context");
  cpplogger::log(cpplogger::level_info, std::u16string(600'000, u'x'));
  cpplogger::log(cpplogger::level_error, u"failure");

  const std::vector<std::string> names = names_in(logs());
  ASSERT_EQ(names.size(), 1u) << "no developer log, no loose history file";
  ASSERT_TRUE(names[0].starts_with("worker") && names[0].ends_with(".zip")) << names[0];
  // Only this thread logged since the history was cleared: one file, named for the error.
  const std::string entries = entry_names(archive());
  EXPECT_EQ(std::count(entries.begin(), entries.end(), '\n'), 1) << entries;
  EXPECT_TRUE(entries.ends_with("_ERROR.log\n")) << entries;
  const std::string history = entry_ending_with(archive(), "_ERROR.log");
  EXPECT_EQ(history.find("from an earlier run"), std::string::npos);
  EXPECT_NE(history.find(" TRACE context\r\n"), std::string::npos) << history;
  EXPECT_NE(history.find(" INFO Message was skipped\r\n"), std::string::npos) << history;
  EXPECT_TRUE(history.ends_with(" ERROR failure\r\n")) << history;
}

TEST_F(history_wiring_test, the_developer_log_still_gets_the_record_the_history_skips) {
  start("true");
  const installed_logger installed(logger);
  cpplogger::log(cpplogger::level_info, std::u16string(600'000, u'x'));
  cpplogger::log(cpplogger::level_fatal, u"failure");

  const std::string developer_log = read_bytes(logs() / "worker.log");
  EXPECT_NE(developer_log.find(" INFO " + std::string(600'000, 'x') + "\r\n"), std::string::npos);
  EXPECT_NE(developer_log.find(" FATAL failure\r\n"), std::string::npos);
  EXPECT_NE(entry_ending_with(archive(), "_FATAL.log").find(" INFO Message was skipped\r\n"), std::string::npos);
}

TEST_F(history_wiring_test, a_starting_logger_archives_history_files_left_loose) {
  const std::string loose = "worker2016-05-04_13-07-21_4242_17_ERROR.log";
  write_bytes(logs() / loose, "2016/05/04 13:07:21 ERROR left by a crash\r\n");
  start("false");

  const std::vector<std::string> names = names_in(logs());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(names[0].ends_with(".zip")) << names[0];
  EXPECT_EQ(entry_names(archive()), loose + "\n");
  EXPECT_EQ(entry_ending_with(archive(), loose), "2016/05/04 13:07:21 ERROR left by a crash\r\n");
}

}  // namespace
