#include "ferrowick/result_output.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/log_capture.h"

namespace {

TEST(result_output, result_lines_are_utf8_with_text_mode_line_ends) {
  std::ostringstream out;
  write_result_lines(out, {u"2024-05-01 10:00:00", u"/d/\u00e9t\u00e9.pkg"});
  EXPECT_EQ(out.str(), "2024-05-01 10:00:00\r\n/d/\xC3\xA9t\xC3\xA9.pkg\r\n");
}

TEST(result_output, no_lines_write_nothing) {
  std::ostringstream out;
  write_result_lines(out, {});
  EXPECT_EQ(out.str(), "");
}

TEST(result_output, an_application_error_gives_its_signed_code_and_message) {
  test_support::log_capture capture;
  std::ostringstream out;
  write_application_error(out, common::application_exception(5384));
  EXPECT_EQ(out.str(), "application_exception [code: 5384]\r\nDestination directory for updates does not exist.");
}

}  // namespace
