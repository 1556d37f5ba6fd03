#include "updater_lib/details/update_information/update_information_release_date.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "updater_lib/details/update_information/update_information_versions.h"
#include "updater_lib/run/update_run_expect_code.h"

namespace {

using test_support::expect_application_error;
using updater::date_time_t_from_updates_release_date;
using updater::is_up_to_date;

TEST(ReleaseDate, IsoTextGivesZeroBasedDayAndMonth) {
  const auto value = date_time_t_from_updates_release_date(u"2016-05-17T09:30:07Z");
  EXPECT_EQ(value.year, 2016);
  EXPECT_EQ(value.month, 4);
  EXPECT_EQ(value.day, 16);
  EXPECT_EQ(value.hour, 9);
  EXPECT_EQ(value.minute, 30);
  EXPECT_EQ(value.second, 7);
}

TEST(ReleaseDate, AnySeparatorsBetweenThreeDigitRunsAreAccepted) {
  const auto value = date_time_t_from_updates_release_date(u"2016/05/17TT9.30.07 ");
  EXPECT_EQ(value.month, 4);
  EXPECT_EQ(value.hour, 9);
  EXPECT_EQ(value.second, 7);
}

TEST(ReleaseDate, ShapeErrorsAreCannotParse) {
  expect_application_error(5388, [] { date_time_t_from_updates_release_date(u"2016-05-17T09:30:00"); });
  expect_application_error(5388, [] { date_time_t_from_updates_release_date(u"2016-05-17 09:30:00Z"); });
  expect_application_error(5388, [] { date_time_t_from_updates_release_date(u"2016-05-17T09T30:00Z"); });
  expect_application_error(5388, [] { date_time_t_from_updates_release_date(u"2016-05-17T09:30:0:0"); });
  expect_application_error(5388, [] { date_time_t_from_updates_release_date(u"201605-17T09:30:00ZZ"); });
}

TEST(ReleaseDate, FieldsThatDoNotFitAreOutOfRange) {
  expect_application_error(5390, [] { date_time_t_from_updates_release_date(u"2016-00-01T00:00:00Z"); });
  expect_application_error(5390, [] { date_time_t_from_updates_release_date(u"2016-01-00T00:00:00Z"); });
  expect_application_error(5390, [] { date_time_t_from_updates_release_date(u"2016-01-01T256:0:00Z"); });
  expect_application_error(5390, [] { date_time_t_from_updates_release_date(u"65536-01-1T00:00:00Z"); });
  EXPECT_THROW(date_time_t_from_updates_release_date(u"1-1-1T99999999999:0Z"), std::out_of_range);
}

TEST(ReleaseDate, CheckAcceptsDayThirtyOneInEveryMonth) {
  EXPECT_NO_THROW(updater::check_date_time(date_time_t_from_updates_release_date(u"2016-02-31T00:00:00Z")));
  expect_application_error(
      5354, [] { updater::check_date_time(date_time_t_from_updates_release_date(u"2016-13-01T00:00:00Z")); });
  expect_application_error(
      5354, [] { updater::check_date_time(date_time_t_from_updates_release_date(u"2201-01-01T00:00:00Z")); });
  expect_application_error(
      5354, [] { updater::check_date_time(date_time_t_from_updates_release_date(u"2016-01-01T24:00:00Z")); });
}

TEST(UpToDate, EqualTextsAreUpToDateWithoutParsing) {
  EXPECT_TRUE(is_up_to_date(u"2016-05-17T09:30:00Z", u"2016-05-17T09:30:00Z"));
  EXPECT_TRUE(is_up_to_date(u"garbage", u"garbage"));
}

TEST(UpToDate, EmptyPreviousIsNeverUpToDate) { EXPECT_FALSE(is_up_to_date(u"2016-05-17T09:30:00Z", u"")); }

TEST(UpToDate, OnlyAStrictlyNewerInstalledUpdateIsUpToDate) {
  EXPECT_TRUE(is_up_to_date(u"2016-05-17T09:30:00Z", u"2016-05-17T09:30:01Z"));
  EXPECT_FALSE(is_up_to_date(u"2016-05-17T09:30:01Z", u"2016-05-17T09:30:00Z"));
  // The same moment written differently is installed again.
  EXPECT_FALSE(is_up_to_date(u"2016-05-17T09:30:00Z", u"2016/05/17T09.30.00Z"));
}

TEST(UpToDate, DayOverflowIsNormalisedIntoTheNextMonth) {
  EXPECT_TRUE(is_up_to_date(u"2016-03-01T00:00:00Z", u"2016-02-31T00:00:00Z"));
  EXPECT_FALSE(is_up_to_date(u"2016-03-03T00:00:00Z", u"2016-02-31T00:00:00Z"));
}

TEST(UpToDate, MalformedDatesRaise) {
  expect_application_error(5388, [] { is_up_to_date(u"2016-05-17T09:30:00Z", u"yesterday"); });
  expect_application_error(5354, [] { is_up_to_date(u"2009-05-17T09:30:00Z", u"2016-05-17T09:30:00Z"); });
}

TEST(CurrentLocalDateTime, IsAValidDateOfThisCentury) {
  const auto now = updater::get_current_local_date_time();
  EXPECT_NO_THROW(updater::check_date_time(now));
  EXPECT_GE(now.year, 2024);
}

TEST(Versions, CurrentVersionIsZeroAndPrintsUnsigned) {
  EXPECT_EQ(updater::get_current_version_of_update_compatibility(), 0u);
  EXPECT_EQ(updater::version_of_update_compatibility_to_wstring(4294967295u), u"4294967295");
  EXPECT_EQ(updater::version_of_update_compatibility_to_wstring(0), u"0");
}

}  // namespace
