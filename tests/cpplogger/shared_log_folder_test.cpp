// Two writers of one log in one folder, as a manual run beside the service's worker has.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cpplogger/details/filestream_logger.h"
#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using cpplogger::details::filestream_logger;
using namespace logger_tests;

constexpr std::string_view prefix = "2016/05/04 13:07:21 4242 INFO ";

class shared_log_folder_test : public ::testing::Test {
 protected:
  shared_log_folder_test() { settings.max_file_size = 0x80000; }

  void write(filestream_logger& writer, std::u16string text) {
    writer.write(make_record(cpplogger::level_info, std::move(text)), settings);
  }
  // Brings the current file to its limit behind both writers' backs.
  void fill_current_file() {
    std::ofstream file(current(), std::ios::binary | std::ios::app);
    file << std::string(static_cast<size_t>(settings.max_file_size), '.');
  }
  std::filesystem::path current() const { return directory.path() / "base.log"; }
  std::filesystem::path first_generation() const { return directory.path() / "base.log.1"; }

  test_support::temp_directory directory;
  cpplogger::logger_settings settings;
  // Both look for a roll by the other before every line.
  filestream_logger rolling{u16(directory.path()), u"base", cpplogger::details::find_generations, {}};
  filestream_logger other{u16(directory.path()), u"base", cpplogger::details::find_generations, {}};
};

TEST_F(shared_log_folder_test, after_one_writer_rolls_the_other_writes_into_the_new_current_file) {
  write(other, u"other before");
  fill_current_file();
  write(rolling, u"rolls");
  ASSERT_FALSE(std::filesystem::exists(current()));
  ASSERT_TRUE(read_bytes(first_generation()).ends_with("rolls\r\n"));

  write(other, u"other after");
  write(rolling, u"rolling after");
  EXPECT_EQ(read_bytes(current()), std::string(prefix) + "other after\r\n" + std::string(prefix) + "rolling after\r\n");
  EXPECT_TRUE(read_bytes(first_generation()).starts_with(std::string(prefix) + "other before\r\n"));
}

}  // namespace
