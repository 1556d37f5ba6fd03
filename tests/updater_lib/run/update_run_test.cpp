#include "updater_lib/details/run/update_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/log_capture.h"
#include "updater_lib/run/update_run_expect_code.h"
#include "updater_lib/run/update_run_fixture.h"

namespace {

using test_support::expect_application_error;
using test_support::expect_win32_error;
using test_support::has_part_file;
using test_support::list_names;
using test_support::read_text;
using test_support::write_text;
using names = std::vector<std::string>;

constexpr char release[] = "2016-05-17T09:30:00Z";

class UpdateRun : public test_support::update_run_fixture {
 protected:
  void expect_no_part_files() const {
    EXPECT_FALSE(has_part_file(destination()));
    EXPECT_FALSE(has_part_file(utils_destination()));
  }
};

TEST_F(UpdateRun, PlacesThePackageAndReportsFourLines) {
  write_info2("antivirus", release, "base_17_full.upd");
  write_source_package("base_17_full.upd");
  const auto result = run();
  EXPECT_EQ(result.code, 0);
  const std::u16string placed = (destination() / "base_17_full.upd").u16string();
  EXPECT_EQ(result.lines, (std::vector<std::u16string>{u"2016-05-17T09:30:00Z", placed, u"", u"17"}));
  EXPECT_EQ(read_text(destination() / "base_17_full.upd"), read_text(source() / "base_17_full.upd"));
  EXPECT_EQ(list_names(destination()), names{"base_17_full.upd"});
  EXPECT_EQ(list_names(source()), (names{"base_17_full.upd", "info2.txt"}));
}

TEST_F(UpdateRun, CopyInfoTxtKeepsBothDescriptions) {
  write_info2("antivirus", release, "base.upd");
  write_text(source() / "info.txt", "old description");
  write_source_package("base.upd");
  parameters_.copy_info_txt = true;
  EXPECT_EQ(run().code, 0);
  EXPECT_EQ(list_names(destination()), (names{"base.upd", "info.txt", "info2.txt"}));
  EXPECT_EQ(read_text(destination() / "info.txt"), "old description");
  EXPECT_EQ(read_text(destination() / "info2.txt"), read_text(source() / "info2.txt"));
}

TEST_F(UpdateRun, WithoutCopyInfoTxtOnlyThePackageIsNew) {
  write_info2("", release, "base.upd");
  write_text(source() / "info.txt", "old description");
  write_source_package("base.upd");
  EXPECT_EQ(run().code, 0);
  EXPECT_EQ(list_names(destination()), names{"base.upd"});
}

TEST_F(UpdateRun, SameReleaseIsUpToDateAndFetchesNothing) {
  write_info2("antivirus", release, "base.upd");
  write_source_package("base.upd");
  parameters_.previous_updates_release_date = u"2016-05-17T09:30:00Z";
  test_support::log_capture capture;
  const auto result = run();
  EXPECT_EQ(result.code, -2);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_TRUE(capture.contains(u"Everything is up to date"));
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, EmptyPreviousReleaseIsNeverUpToDate) {
  write_info2("antivirus", release, "base.upd");
  write_source_package("base.upd");
  parameters_.previous_updates_release_date.clear();
  EXPECT_EQ(run().code, 0);
}

TEST_F(UpdateRun, StopEventSetBeforeTheRunCancels) {
  write_info2("antivirus", release, "base.upd");
  write_source_package("base.upd");
  set_stop_event();
  const auto result = run();
  EXPECT_EQ(result.code, -3);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, OtherProductIsRejectedBeforeThePackageIsFetched) {
  write_info2("firewall", release, "base.upd");
  write_source_package("base.upd");
  test_support::log_capture capture;
  expect_application_error(5651, [&] { run(); });
  EXPECT_TRUE(capture.contains_substring(u"Installed product: antivirus. Update package designed for firewall"));
  EXPECT_FALSE(capture.contains_substring(u"base.upd.part"));
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, TamperedPackageIsRejectedAndNothingIsPlaced) {
  write_info2("antivirus", release, "base.upd");
  write_source_package("base.upd", "original bases");
  std::string bytes = read_text(source() / "base.upd");
  const size_t at = bytes.find("original bases");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'O';
  write_text(source() / "base.upd", bytes);
  try {
    run();
    ADD_FAILURE() << "a tampered package was accepted";
  } catch (const common::application_exception& error) {
    EXPECT_EQ(error.code().category(), common::application_category()) << error.what();
  }
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, PackageSignedWithOtherKeysIsRejected) {
  write_info2("antivirus", release, "base.upd");
  test_support::write_package_signed_with(source() / "base.upd", {{u"bases.dat", "x"}},
                                          {keys_.built_in_private, keys_.parameter_private});
  EXPECT_THROW(run(), common::application_exception);
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, RejectedPackageLeavesThePreviousOneByteForByte) {
  write_text(destination() / "base.upd", "previous bases");
  write_info2("antivirus", release, "base.upd");
  write_text(source() / "base.upd", "not a package");
  EXPECT_THROW(run(), common::application_exception);
  EXPECT_EQ(read_text(destination() / "base.upd"), "previous bases");
  EXPECT_EQ(list_names(destination()), names{"base.upd"});
}

TEST_F(UpdateRun, HostileFileNamesLeaveThePreviousPackageAndNothingElse) {
  write_text(destination() / "base.upd", "previous bases");
  write_text(source() / "base.upd", "not a package");
  for (const std::string& name : {std::string("base.upd\0.x", 12), std::string(".."), std::string("."),
                                  std::string("base.upd/"), std::string("\r")}) {
    write_info2("antivirus", release, name);
    EXPECT_THROW(run(), common::application_exception) << name;
    EXPECT_EQ(list_names(destination()), names{"base.upd"}) << name;
    EXPECT_EQ(read_text(destination() / "base.upd"), "previous bases") << name;
  }
}

TEST_F(UpdateRun, OtherCompatibilityVersionIsRejected) {
  write_info2("antivirus", release, "base.upd");
  write_source_package("base.upd");
  parameters_.version_of_update_compatibility = 7;
  test_support::log_capture capture;
  expect_application_error(5387, [&] { run(); });
  EXPECT_TRUE(capture.contains_substring(
      u"Downloaded package compatibility version: 0; requested package compatibility version: 7"));
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, OnlyInfoTxtMeansTheServerIsTooOld) {
  write_text(source() / "info.txt", "old description");
  expect_application_error(5656, [&] { run(); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, NoDescriptionAtAllIsFileNotFound) {
  expect_win32_error(2, [&] { run(); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, MissingPackageIsFileNotFound) {
  write_info2("antivirus", release, "base.upd");
  expect_win32_error(2, [&] { run(); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, BadDescriptionsFailWithTheirCodes) {
  write_info2("antivirus", release, "../base.upd");
  expect_application_error(5031, [&] { run(); });
  write_info2("antivirus", "2016-05-17T09:30:00", "base.upd");
  // No date in line 2: read as the old layout, whose first line is no date either.
  expect_application_error(5388, [&] { run(); });
  write_text(source() / "info2.txt", "antivirus\n2016-13-17T09:30:00Z\nbase.upd\n");
  expect_application_error(5354, [&] { run(); });
  write_text(source() / "info2.txt", "antivirus\n2016-05-17T09:30:00Z\nbase.upd\n" + std::string(65536, '#'));
  expect_application_error(5316, [&] { run(); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, ServerModePlacesTheUtilityPackage) {
  switch_to_server_mode();
  write_info2("antivirus", release, "base.upd", "utils.upd");
  write_source_package("base.upd");
  write_text(utils_source() / "utils.upd", "utility bytes");
  const auto result = run();
  ASSERT_EQ(result.code, 0);
  ASSERT_EQ(result.lines.size(), 4u);
  EXPECT_EQ(result.lines[2], (utils_destination() / "utils.upd").u16string());
  EXPECT_EQ(read_text(utils_destination() / "utils.upd"), "utility bytes");
  EXPECT_EQ(list_names(utils_destination()), names{"utils.upd"});
  expect_no_part_files();
}

TEST_F(UpdateRun, ServerModeWithMissingUtilityPackageLeavesNoTemporaryFile) {
  switch_to_server_mode();
  write_info2("antivirus", release, "base.upd", "utils.upd");
  write_source_package("base.upd");
  expect_win32_error(2, [&] { run(); });
  EXPECT_TRUE(list_names(destination()).empty());
  EXPECT_TRUE(list_names(utils_destination()).empty());
}

TEST_F(UpdateRun, ClientModeIgnoresTheUtilityPackage) {
  write_info2("antivirus", release, "base.upd", "utils.upd");
  write_source_package("base.upd");
  const auto result = run();
  ASSERT_EQ(result.code, 0);
  EXPECT_EQ(result.lines[2], u"");
  EXPECT_TRUE(list_names(utils_destination()).empty());
}

TEST_F(UpdateRun, HttpsSourceWithAnInvalidHostFailsBeforeAnyPull) {
  parameters_.source.update_source = updater::update_source::https;
  parameters_.source.https.host_domain_name[0] = u"update server";
  expect_application_error(5352, [&] { run(); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(UpdateRun, MissingStopEventFailsTheRun) {
  write_info2("antivirus", release, "base.upd");
  parameters_.stop_event_name = u"ferrowick-no-such-event";
  expect_win32_error(2, [&] { run(); });
}

}  // namespace
