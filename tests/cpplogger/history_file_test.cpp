// History files: their names, their exact bytes, and appending to them.
#include "cpplogger/details/history_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using namespace cpplogger::details;
using logger_tests::fixed_ticks;
using logger_tests::make_record;
using logger_tests::read_bytes;
using logger_tests::u16;

TEST(history_file, time_text_is_the_local_time_with_hyphens_and_an_underscore) {
  // The test process runs in UTC.
  EXPECT_EQ(history_time_text(fixed_ticks), u"2016-05-04_13-07-21");
}

struct name_case {
  const char* name;
  std::u16string directory;
  std::u16string label;
  std::u16string expected;
};
void PrintTo(const name_case& c, std::ostream* out) { *out << c.name; }

class history_file_name : public ::testing::TestWithParam<name_case> {};

TEST_P(history_file_name, joins_base_time_process_threads_and_label) {
  const name_case& c = GetParam();
  const std::u16string path = history_file_path(c.directory, u"ferrowick", u"2016-05-04_13-07-21", 4242, 17, c.label);
  EXPECT_EQ(path, c.expected);
  // The archiving recognises what the writer names.
  EXPECT_EQ(history_file_base_name(std::u16string_view(path).substr(path.rfind(u'/') + 1)), u"ferrowick");
}

INSTANTIATE_TEST_SUITE_P(
    names, history_file_name,
    ::testing::Values(
        name_case{"another_thread", u"/logs", u"21", u"/logs/ferrowick2016-05-04_13-07-21_4242_17_21.log"},
        name_case{"erroring_thread", u"/logs", u"ERROR", u"/logs/ferrowick2016-05-04_13-07-21_4242_17_ERROR.log"},
        name_case{"fatal", u"/logs", u"FATAL", u"/logs/ferrowick2016-05-04_13-07-21_4242_17_FATAL.log"},
        name_case{"directory_with_a_separator", u"/logs/", u"21",
                  u"/logs//ferrowick2016-05-04_13-07-21_4242_17_21.log"},
        name_case{"no_directory", u"", u"21", u"ferrowick2016-05-04_13-07-21_4242_17_21.log"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(history_file, content_has_no_thread_id_aligns_continuations_and_ends_lines_in_cr_lf) {
  const std::deque<cpplogger::message> records{
      make_record(cpplogger::level_info, u"first", 0, 7),
      make_record(cpplogger::level_debug, u"two\nlines", 1, 7),
      make_record(cpplogger::level_error, u"caf\u00e9 \U0001F600", 0, 7),
  };
  EXPECT_EQ(history_file_content(records),
            "2016/05/04 13:07:21 INFO first\r\n"
            "2016/05/04 13:07:21 DEBUG     two\r\n"
            "                              lines\r\n"
            "2016/05/04 13:07:21 ERROR caf\xC3\xA9 \xED\xA0\xBD\xED\xB8\x80\r\n");
}

TEST(history_file, no_records_make_no_content) { EXPECT_EQ(history_file_content({}), ""); }

class history_file_append : public ::testing::Test {
 protected:
  test_support::temp_directory directory;
};

TEST_F(history_file_append, creates_the_file_then_appends_to_it) {
  const auto path = directory.path() / "history.log";
  ASSERT_TRUE(append_history_file(u16(path), "one\r\n"));
  ASSERT_TRUE(append_history_file(u16(path), "two\r\n"));
  EXPECT_EQ(read_bytes(path), "one\r\ntwo\r\n");
}

TEST_F(history_file_append, fails_without_a_trace_when_the_directory_is_missing) {
  EXPECT_FALSE(append_history_file(u16(directory.path() / "missing" / "history.log"), "one\r\n"));
  EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

}  // namespace
