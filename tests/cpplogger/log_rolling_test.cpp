#include "cpplogger/details/log_rolling.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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

// Names outside the basic multilingual plane come back from the walk as the same
// surrogate pairs the program wrote them with.
TEST_F(log_rolling_test, names_outside_the_basic_plane_are_found_and_moved) {
  create({"w\xF0\x9F\x98\x80.log", "w\xF0\x9F\x98\x80.log.1"});
  roll_generations(u16(directory.path()), u"w\U0001F600", 4, generations);
  EXPECT_EQ(files(), (file_map{{"w\xF0\x9F\x98\x80.log.1", "w\xF0\x9F\x98\x80.log"},
                               {"w\xF0\x9F\x98\x80.log.2", "w\xF0\x9F\x98\x80.log.1"}}));
}

TEST_F(log_rolling_test, a_missing_directory_fails_the_walk) {
  EXPECT_THROW(roll_generations(u16(directory.path() / "gone"), u"base", 4, generations),
               cpplogger::details::rolling_exception);
}

class failed_roll_test : public log_rolling_test {
 protected:
  // The real walk until fail is set; counts every roll's walk.
  cpplogger::details::generation_finder counted_walk() {
    return [this](const std::u16string& folder, const std::u16string& base_name) {
      ++walks;
      if (fail_walks) throw cpplogger::details::rolling_exception(u"FindNextFile failed");
      return cpplogger::details::find_generations(folder, base_name);
    };
  }
  static cpplogger::logger_settings small_files() {
    cpplogger::logger_settings settings;
    settings.max_file_size = 0x80000;
    return settings;
  }
  std::filesystem::path current() const { return directory.path() / "base.log"; }
  static size_t count(const std::string& text, std::string_view part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
  }

  bool fail_walks = false;
  int walks = 0;

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

TEST_F(failed_roll_test, a_failed_walk_after_a_successful_roll_clears_the_current_file_and_is_not_retried) {
  cpplogger::details::filestream_logger writer(u16(directory.path()), u"base", counted_walk());
  write_bytes(current(), std::string(0x80000, '.'));
  writer.write(make_record(cpplogger::level_info, u"first"), small_files());
  ASSERT_EQ(walks, 1);
  ASSERT_FALSE(std::filesystem::exists(current()));

  // The reopened current file is at the limit at once, and now the walk fails.
  write_bytes(current(), std::string(0x80000, '.'));
  fail_walks = true;
  const debug_output output;
  writer.write(make_record(cpplogger::level_info, u"second"), small_files());
  EXPECT_TRUE(output.contains("Not rolling files: FindNextFile failed\n"));
  EXPECT_EQ(std::filesystem::file_size(current()), 0u);

  writer.write(make_record(cpplogger::level_info, u"third"), small_files());
  EXPECT_EQ(walks, 2);
  EXPECT_EQ(read_bytes(current()), "2016/05/04 13:07:21 4242 INFO third\r\n");
  EXPECT_EQ(read_bytes(directory.path() / "base.log.1"),
            std::string(0x80000, '.') + "2016/05/04 13:07:21 4242 INFO first\r\n");
}

TEST_F(failed_roll_test, a_failed_roll_leaves_alone_a_current_file_that_another_writer_made) {
  // Another writer rolls the full file away just before this writer's walk fails.
  const auto other_writer_rolls = [this](const std::u16string&, const std::u16string&) -> std::vector<generation> {
    std::filesystem::rename(current(), directory.path() / "base.log.1");
    write_bytes(current(), "other");
    throw cpplogger::details::rolling_exception(u"FindNextFile failed");
  };
  cpplogger::details::filestream_logger writer(u16(directory.path()), u"base", other_writer_rolls);
  write_bytes(current(), std::string(0x80000, '.'));
  writer.write(make_record(cpplogger::level_info, u"full"), small_files());
  EXPECT_EQ(read_bytes(current()), "other");
  EXPECT_EQ(std::filesystem::file_size(directory.path() / "base.log.1"), 0x80000u + 36u);
}

// An append-only file can be neither renamed nor emptied, even by root.
class append_only_file {
 public:
  explicit append_only_file(const std::filesystem::path& path) : path_(path) { set(FS_APPEND_FL); }
  ~append_only_file() { set(0); }
  append_only_file(const append_only_file&) = delete;
  append_only_file& operator=(const append_only_file&) = delete;

 private:
  void set(int append_flag) {
    const int descriptor = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0) << path_;
    int flags = 0;
    bool done = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    flags = (flags & ~FS_APPEND_FL) | append_flag;
    done = done && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(descriptor);
    ASSERT_TRUE(done) << "cannot change the append-only flag of " << path_;
  }
  std::filesystem::path path_;
};

TEST_F(failed_roll_test, a_file_that_can_be_neither_rolled_nor_cleared_waits_for_another_limit_before_the_next_try) {
  write_bytes(current(), std::string(0x80000, '.'));
  const append_only_file locked(current());
  cpplogger::details::filestream_logger writer(u16(directory.path()), u"base");
  const debug_output output;
  writer.write(make_record(cpplogger::level_info, u"full"), small_files());
  EXPECT_TRUE(output.contains("Not clear file data: Could not open log file.\n"));
  for (int i = 0; i < 10; ++i) writer.write(make_record(cpplogger::level_info, u"more"), small_files());
  EXPECT_EQ(count(output.text(), "Not rolling files: "), 1u);

  // Another limit's worth of text brings the next try.
  writer.write(make_record(cpplogger::level_info, std::u16string(0x80000, u'x')), small_files());
  EXPECT_EQ(count(output.text(), "Not rolling files: "), 2u);
  EXPECT_EQ(std::filesystem::file_size(current()), 0x80000u + 36u + 10 * 36u + 0x80000u + 32u);
}

}  // namespace
