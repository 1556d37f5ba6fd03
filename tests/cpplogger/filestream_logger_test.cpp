#include "cpplogger/details/filestream_logger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/text.h"
#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using cpplogger::details::filestream_logger;
using namespace logger_tests;

constexpr std::string_view prefix = "2016/05/04 13:07:21 4242 INFO ";

class filestream_logger_test : public ::testing::Test {
 protected:
  cpplogger::logger_settings settings_at(int32_t level) const {
    cpplogger::logger_settings settings;
    settings.level = level;
    settings.use_developer_log = true;
    return settings;
  }
  std::filesystem::path log_path() const { return directory.path() / "worker.log"; }

  test_support::temp_directory directory;
};

TEST_F(filestream_logger_test, first_record_creates_the_file_and_a_second_writer_appends) {
  {
    filestream_logger writer(u16(directory.path()), u"worker");
    EXPECT_FALSE(std::filesystem::exists(log_path()));
    writer.write(make_record(cpplogger::level_info, u"first"), settings_at(cpplogger::level_trace));
  }
  {
    filestream_logger writer(u16(directory.path()) + u"/", u"worker");
    writer.write(make_record(cpplogger::level_warn, u"second \u00e9\u4e2d", 2, 7), settings_at(cpplogger::level_trace));
  }
  EXPECT_EQ(read_bytes(log_path()),
            std::string(prefix) + "first\r\n" + "2016/05/04 13:07:21 7 WARN         second \xc3\xa9\xe4\xb8\xad\r\n");
}

TEST_F(filestream_logger_test, surrogate_pairs_become_two_three_byte_sequences) {
  filestream_logger writer(u16(directory.path()), u"worker");
  writer.write(make_record(cpplogger::level_info, u"\U0001F600"), settings_at(cpplogger::level_trace));
  EXPECT_EQ(read_bytes(log_path()), std::string(prefix) + "\xed\xa0\xbd\xed\xb8\x80\r\n");
}

TEST_F(filestream_logger_test, continuation_lines_align_only_at_trace_and_debug) {
  filestream_logger writer(u16(directory.path()), u"worker");
  writer.write(make_record(cpplogger::level_info, u"a\nb\nc"), settings_at(cpplogger::level_debug));
  writer.write(make_record(cpplogger::level_info, u"d\ne"), settings_at(cpplogger::level_info));
  const std::string pad(prefix.size(), ' ');
  EXPECT_EQ(read_bytes(log_path()),
            std::string(prefix) + "a\n" + pad + "b\n" + pad + "c\r\n" + std::string(prefix) + "d\ne\r\n");
}

TEST_F(filestream_logger_test, empty_text_writes_the_prefix_and_line_end) {
  filestream_logger writer(u16(directory.path()), u"worker");
  writer.write(make_record(cpplogger::level_info, u""), settings_at(cpplogger::level_trace));
  EXPECT_EQ(read_bytes(log_path()), std::string(prefix) + "\r\n");
}

TEST_F(filestream_logger_test, records_wait_while_the_directory_is_missing_and_then_go_out_in_order) {
  const auto logs = directory.path() / "logs";
  filestream_logger writer(u16(logs), u"worker");
  const debug_output output;
  writer.write(make_record(cpplogger::level_info, u"one"), settings_at(cpplogger::level_trace));
  writer.write(make_record(cpplogger::level_info, u"two"), settings_at(cpplogger::level_trace));
  EXPECT_TRUE(output.contains("Could not open log file.\n"));
  EXPECT_FALSE(std::filesystem::exists(logs));

  std::filesystem::create_directory(logs);
  writer.write(make_record(cpplogger::level_info, u"three"), settings_at(cpplogger::level_trace));
  EXPECT_EQ(read_bytes(logs / "worker.log"),
            std::string(prefix) + "one\r\n" + std::string(prefix) + "two\r\n" + std::string(prefix) + "three\r\n");
}

TEST_F(filestream_logger_test, a_full_queue_drops_the_oldest_and_reports_the_loss_before_the_rest) {
  const auto logs = directory.path() / "logs";
  filestream_logger writer(u16(logs), u"worker");
  for (int i = 0; i < 2005; ++i)
    writer.write(make_record(cpplogger::level_info, u"r" + common::ascii_to_utf16(std::to_string(i))),
                 settings_at(cpplogger::level_trace));

  std::filesystem::create_directory(logs);
  writer.write(make_record(cpplogger::level_info, u"last"), settings_at(cpplogger::level_trace));

  std::string expected =
      "\n **********************************************\n *** Failures in logging\n"
      " *** Number irretrievably lost messages: 5\n **********************************************\n\n\r\n";
  for (int i = 5; i < 2005; ++i) expected += std::string(prefix) + "r" + std::to_string(i) + "\r\n";
  expected += std::string(prefix) + "last\r\n";
  EXPECT_EQ(read_bytes(logs / "worker.log"), expected);
}

TEST_F(filestream_logger_test, a_line_reaching_the_size_limit_rolls_right_after_it_is_written) {
  filestream_logger writer(u16(directory.path()), u"worker");
  auto settings = settings_at(cpplogger::level_trace);
  const std::string line = std::string(prefix) + "x\r\n";
  // The file already holds all but one line's worth of the limit.
  settings.max_file_size = 0x80000;
  write_bytes(log_path(), std::string(static_cast<size_t>(settings.max_file_size) - 2 * line.size(), '.'));

  writer.write(make_record(cpplogger::level_info, u"x"), settings);
  EXPECT_FALSE(std::filesystem::exists(directory.path() / "worker.log.1"));
  writer.write(make_record(cpplogger::level_info, u"x"), settings);
  EXPECT_FALSE(std::filesystem::exists(log_path()));
  EXPECT_EQ(std::filesystem::file_size(directory.path() / "worker.log.1"),
            static_cast<uintmax_t>(settings.max_file_size));

  writer.write(make_record(cpplogger::level_info, u"y"), settings);
  EXPECT_EQ(read_bytes(log_path()), std::string(prefix) + "y\r\n");
}

TEST_F(filestream_logger_test, pending_and_banner_lines_never_roll) {
  const auto logs = directory.path() / "logs";
  filestream_logger writer(u16(logs), u"worker");
  auto settings = settings_at(cpplogger::level_trace);
  settings.max_file_size = 0x80000;
  const std::u16string long_text(0x80000 / 2000 + 1, u'z');
  for (size_t i = 0; i < filestream_logger::max_pending + 1; ++i)
    writer.write(make_record(cpplogger::level_info, long_text), settings);

  std::filesystem::create_directory(logs);
  writer.write(make_record(cpplogger::level_info, u"small"), settings);
  // The queued lines alone pass the limit; only the new record's line may roll.
  EXPECT_FALSE(std::filesystem::exists(logs / "worker.log"));
  EXPECT_TRUE(std::filesystem::exists(logs / "worker.log.1"));
  const std::string rolled = read_bytes(logs / "worker.log.1");
  EXPECT_TRUE(rolled.starts_with("\n ****"));
  EXPECT_TRUE(rolled.ends_with("small\r\n"));
}

}  // namespace
