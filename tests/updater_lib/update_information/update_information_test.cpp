#include "updater_lib/details/update_information/update_information.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/log_capture.h"
#include "updater_lib/run/update_run_expect_code.h"

namespace {

using test_support::expect_application_error;
using updater::deserialize_update_information;

std::vector<uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

updater::update_information parse(std::string_view text) { return deserialize_update_information(bytes(text)); }

TEST(UpdateInformation, FourLinesGiveProductDateFileNamePartAndUtility) {
  const auto info = parse("antivirus\n2016-05-17T09:30:00Z\nbase_17_full.upd\nutils.upd\n");
  EXPECT_EQ(info.product, u"antivirus");
  EXPECT_EQ(info.release_date, u"2016-05-17T09:30:00Z");
  EXPECT_EQ(info.update_file_name, u"base_17_full.upd");
  EXPECT_EQ(info.update_util_file_name, u"utils.upd");
  EXPECT_EQ(info.update_file_name_part, u"17");
}

TEST(UpdateInformation, LinesAfterTheFourthAreIgnored) {
  const auto info = parse("antivirus\n2016-05-17T09:30:00Z\nbase.upd\nutils.upd\nmore/../stuff\n");
  EXPECT_EQ(info.update_util_file_name, u"utils.upd");
}

TEST(UpdateInformation, CrLfParsesLikeLf) {
  const auto lf = parse("antivirus\n2016-05-17T09:30:00Z\na_b_c.upd\n");
  const auto crlf = parse("antivirus\r\n2016-05-17T09:30:00Z\r\na_b_c.upd\r\n");
  EXPECT_EQ(crlf.product, lf.product);
  EXPECT_EQ(crlf.release_date, lf.release_date);
  EXPECT_EQ(crlf.update_file_name, lf.update_file_name);
  EXPECT_EQ(crlf.update_file_name_part, u"b");
}

TEST(UpdateInformation, BlankLinesAndCarriageReturnsInsideLinesAreDropped) {
  const auto info = parse("\n\nanti\rvirus\n\n\n2016-05-17T09:30:00Z\nbase.upd");
  EXPECT_EQ(info.product, u"antivirus");
  EXPECT_EQ(info.update_file_name, u"base.upd");
}

TEST(UpdateInformation, ByteOrderMarkStaysInTheProductName) {
  const auto info = parse(
      "\xEF\xBB\xBF"
      "antivirus\n2016-05-17T09:30:00Z\nbase.upd\n");
  EXPECT_EQ(info.product, u"\uFEFFantivirus");
}

TEST(UpdateInformation, TwoLinesAreDateAndFileName) {
  const auto info = parse("2016-05-17T09:30:00Z\nbase.upd\n");
  EXPECT_EQ(info.release_date, u"2016-05-17T09:30:00Z");
  EXPECT_EQ(info.update_file_name, u"base.upd");
  EXPECT_EQ(info.product, u"");
  EXPECT_EQ(info.update_util_file_name, u"");
  EXPECT_EQ(info.update_file_name_part, u"");
}

TEST(UpdateInformation, ThreeLinesWithoutDateInSecondAreTheOldLayout) {
  const auto info = parse("2016-05-17T09:30:00Z\nbase_1_x.upd\nwhatever\n");
  EXPECT_EQ(info.release_date, u"2016-05-17T09:30:00Z");
  EXPECT_EQ(info.update_file_name, u"base_1_x.upd");
  EXPECT_EQ(info.product, u"");
  EXPECT_EQ(info.update_file_name_part, u"1");
}

TEST(UpdateInformation, ThreeLinesWithDateInSecondAreTheCurrentLayout) {
  const auto info = parse("antivirus\n2016-05-17T09:30:00Z\nbase.upd\n");
  EXPECT_EQ(info.product, u"antivirus");
  EXPECT_EQ(info.update_file_name, u"base.upd");
  EXPECT_EQ(info.update_util_file_name, u"");
}

TEST(UpdateInformation, ThreeLinesWithOutOfRangeDateInSecondRaiseItsError) {
  // Only "cannot parse" selects the old layout; a parsed but impossible date propagates.
  expect_application_error(5390, [] { parse("antivirus\n2016-00-17T09:30:00Z\nbase.upd\n"); });
}

TEST(UpdateInformation, FileNamePartNeedsThreeParts) {
  EXPECT_EQ(parse("2016-05-17T09:30:00Z\nbase_17.upd").update_file_name_part, u"");
  EXPECT_EQ(parse("2016-05-17T09:30:00Z\n__base___17__full_").update_file_name_part, u"17");
}

TEST(UpdateInformation, TooFewLinesAreRejected) {
  test_support::log_capture capture;
  expect_application_error(5385, [] { parse("2016-05-17T09:30:00Z\n"); });
  EXPECT_TRUE(capture.contains_substring(u"Invalid info file: 2016-05-17T09:30:00Z"));
  expect_application_error(5385, [] { parse("\n\n\n"); });
  expect_application_error(5385, [] { parse(""); });
}

TEST(UpdateInformation, OverlongFieldsAreRejected) {
  const std::string long_name(1025, 'a');
  expect_application_error(5385, [&] { parse("2016-05-17T09:30:00Z\n" + long_name); });
  expect_application_error(5385, [&] { parse("antivirus\n2016-05-17T09:30:00Z\nbase.upd\n" + long_name); });
  EXPECT_EQ(parse("2016-05-17T09:30:00Z\n" + std::string(1024, 'a')).update_file_name.size(), 1024u);
}

TEST(UpdateInformation, BadDatesAreRejected) {
  expect_application_error(5388, [] { parse("2016-05-17T09:30:00\nbase.upd"); });
  expect_application_error(5354, [] { parse("2016-13-01T00:00:00Z\nbase.upd"); });
  expect_application_error(5354, [] { parse("2009-12-31T23:59:59Z\nbase.upd"); });
}

TEST(UpdateInformation, PathsInFileNamesAreRejected) {
  expect_application_error(5031, [] { parse("2016-05-17T09:30:00Z\n..\\x.upd"); });
  expect_application_error(5031, [] { parse("2016-05-17T09:30:00Z\n../x.upd"); });
  expect_application_error(5031, [] { parse("antivirus\n2016-05-17T09:30:00Z\nbase.upd\n/etc/passwd"); });
}

TEST(UpdateInformation, DotNamesAreRejectedAsPaths) {
  expect_application_error(5031, [] { parse("2016-05-17T09:30:00Z\n.."); });
  expect_application_error(5031, [] { parse("antivirus\n2016-05-17T09:30:00Z\nbase.upd\n."); });
  EXPECT_EQ(parse("2016-05-17T09:30:00Z\n...").update_file_name, u"...");
  EXPECT_EQ(parse("2016-05-17T09:30:00Z\n..base.upd").update_file_name, u"..base.upd");
}

TEST(UpdateInformation, NulInAFileNameIsRejected) {
  using namespace std::string_view_literals;
  test_support::log_capture capture;
  expect_application_error(5385, [] { parse("2016-05-17T09:30:00Z\nbase.upd\0.x"sv); });
  EXPECT_TRUE(capture.contains_substring(u"Invalid update file name: base.upd"));
  expect_application_error(5385, [] { parse("antivirus\n2016-05-17T09:30:00Z\nbase.upd\nutils\0"sv); });
  EXPECT_TRUE(capture.contains_substring(u"Invalid update util file name: utils"));
}

TEST(UpdateInformation, InvalidUtf8IsARangeError) {
  EXPECT_THROW(parse("antivirus\n2016-05-17T09:30:00Z\nbase\xFF.upd"), std::range_error);
}

}  // namespace
