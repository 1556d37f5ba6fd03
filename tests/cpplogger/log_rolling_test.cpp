#include "cpplogger/details/log_rolling.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "cpplogger/details/filestream_logger.h"
#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using namespace logger_tests;
using cpplogger::details::generation;
using cpplogger::details::roll_generations;

class log_rolling_test : public ::testing::Test {
 protected:
  // Each file holds its own original name, so moves can be followed.
  void create(std::initializer_list<std::string> names) {
    for (const auto& name : names) write_bytes(directory.path() / name, name);
  }
  // File name -> content for every file in the directory.
  std::map<std::string, std::string> files() const {
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(directory.path()))
      found[entry.path().filename().string()] = read_bytes(entry.path());
    return found;
  }
  void roll(int32_t max_backup_index) {
    roll_generations(u16(directory.path()), u"base", max_backup_index, generations);
  }

  test_support::temp_directory directory;
  std::vector<generation> generations;
};

using file_map = std::map<std::string, std::string>;

TEST_F(log_rolling_test, with_one_backup_the_old_backup_is_deleted_and_the_current_file_takes_its_place) {
  create({"base.log", "base.log.1"});
  roll(1);
  EXPECT_EQ(files(), (file_map{{"base.log.1", "base.log"}}));
  write_bytes(directory.path() / "base.log", "newer");
  roll(1);
  EXPECT_EQ(files(), (file_map{{"base.log.1", "newer"}}));
}

TEST_F(log_rolling_test, generations_above_the_limit_are_deleted_before_renaming) {
  create({"base.log", "base.log.1", "base.log.7"});
  roll(4);
  EXPECT_EQ(files(), (file_map{{"base.log.1", "base.log"}, {"base.log.2", "base.log.1"}}));
}

TEST_F(log_rolling_test, gaps_are_kept_and_the_oldest_at_the_limit_is_deleted) {
  create({"base.log", "base.log.1", "base.log.2", "base.log.4"});
  roll(4);
  EXPECT_EQ(files(),
            (file_map{{"base.log.1", "base.log"}, {"base.log.2", "base.log.1"}, {"base.log.3", "base.log.2"}}));
  ASSERT_EQ(generations.size(), 3u);
  EXPECT_EQ(generations.front().index, 1);
  EXPECT_EQ(generations.back().path, u16(directory.path() / "base.log.3"));
}

TEST_F(log_rolling_test, each_generation_moves_to_its_own_index_plus_one) {
  create({"base.log", "base.log.1", "base.log.2", "base.log.4"});
  roll(5);
  EXPECT_EQ(files(), (file_map{{"base.log.1", "base.log"},
                               {"base.log.2", "base.log.1"},
                               {"base.log.3", "base.log.2"},
                               {"base.log.5", "base.log.4"}}));
}

TEST_F(log_rolling_test, files_that_only_contain_the_log_name_are_left_alone) {
  create({"base.log", "base.log.zip", "mybase.log", "base.log.01", "base.log.x", "base.log.99999999999",
          "base2016-05-04_13-07-21_4242_17_ERROR.log"});
  roll(4);
  EXPECT_EQ(files(),
            (file_map{{"base.log.1", "base.log"},
                      {"base.log.zip", "base.log.zip"},
                      {"mybase.log", "mybase.log"},
                      {"base.log.01", "base.log.01"},
                      {"base.log.x", "base.log.x"},
                      {"base.log.99999999999", "base.log.99999999999"},
                      {"base2016-05-04_13-07-21_4242_17_ERROR.log", "base2016-05-04_13-07-21_4242_17_ERROR.log"}}));
}

// A name one character longer than the file system allows blocks the rename to .100.
TEST_F(log_rolling_test, a_blocked_rename_stops_the_roll_with_both_names) {
  const std::string base(248, 'b');
  write_bytes(directory.path() / (base + ".log"), "current");
  write_bytes(directory.path() / (base + ".log.99"), "old");
  try {
    roll_generations(u16(directory.path()), u16(base), 100, generations);
    FAIL() << "the roll went through";
  } catch (const cpplogger::details::rolling_exception& failure) {
    const std::string expected = "Can't rename log file from: " + (directory.path() / (base + ".log.99")).string() +
                                 " to: " + (directory.path() / (base + ".log.100")).string();
    EXPECT_EQ(failure.what(), expected);
  }
  EXPECT_EQ(files().size(), 2u);
}

TEST_F(log_rolling_test, a_missing_directory_fails_the_walk) {
  EXPECT_THROW(roll_generations(u16(directory.path() / "gone"), u"base", 4, generations),
               cpplogger::details::rolling_exception);
}

class failed_roll_test : public log_rolling_test {
 protected:
  // Writes a line that brings base.log to its limit, so the writer rolls.
  void write_full_line() {
    cpplogger::details::filestream_logger writer(u16(directory.path()), u"base");
    cpplogger::logger_settings settings;
    settings.max_file_size = 0x80000;
    write_bytes(directory.path() / "base.log", std::string(0x80000, '.'));
    writer.write(make_record(cpplogger::level_info, u"full"), settings);
  }
};

// The writer clears its current file when a roll fails, so the file cannot grow without bound.
TEST_F(failed_roll_test, an_undeletable_stale_generation_truncates_the_current_file) {
  // A non-empty directory under a generation name cannot be removed as a file.
  std::filesystem::create_directory(directory.path() / "base.log.7");
  write_bytes(directory.path() / "base.log.7" / "inside", "x");
  const debug_output output;
  write_full_line();
  EXPECT_TRUE(output.contains(
      "Not rolling files: Can't remove stale file: " + (directory.path() / "base.log.7").string() + "\n"));
  EXPECT_EQ(std::filesystem::file_size(directory.path() / "base.log"), 0u);
}

TEST_F(failed_roll_test, a_blocked_rename_truncates_the_current_file) {
  const std::string base(248, 'b');
  write_bytes(directory.path() / (base + ".log.99"), "old");
  write_bytes(directory.path() / (base + ".log"), std::string(0x80000, '.'));
  cpplogger::details::filestream_logger writer(u16(directory.path()), u16(base));
  cpplogger::logger_settings settings;
  settings.max_file_size = 0x80000;
  settings.max_backup_index = 100;
  const debug_output output;
  writer.write(make_record(cpplogger::level_info, u"full"), settings);
  EXPECT_TRUE(output.contains("Not rolling files: Can't rename log file from: "));
  EXPECT_EQ(std::filesystem::file_size(directory.path() / (base + ".log")), 0u);
  EXPECT_EQ(read_bytes(directory.path() / (base + ".log.99")), "old");

  writer.write(make_record(cpplogger::level_info, u"next"), settings);
  EXPECT_EQ(read_bytes(directory.path() / (base + ".log")), "2016/05/04 13:07:21 4242 INFO next\r\n");
}

}  // namespace
