#include "updater_lib/details/run/file_sources.h"

#include <gtest/gtest.h>

#include "support/update_source.h"
#include "updater_lib/run/update_run_expect_code.h"
#include "updater_lib/run/update_run_fixture.h"

namespace {

using test_support::expect_application_error;
using test_support::expect_win32_error;
using test_support::list_names;
using test_support::read_text;
using test_support::write_text;
using updater::get_pull_file_function;

class FileSources : public test_support::update_run_fixture {
 protected:
  updater::pull_file_function directory_function() const {
    return get_pull_file_function(parameters_.source, updater::main_files, destination().u16string());
  }
  std::u16string pull(const std::u16string& name, const std::u16string& temporary) {
    updater::cancellation_token token(parameters_.stop_event_name);
    return directory_function()(name, temporary, token, std::chrono::seconds(1)).path;
  }
};

TEST_F(FileSources, DirectoryPullCopiesUnderTheTemporaryName) {
  write_text(source() / "info2.txt", "description");
  const std::u16string path = pull(u"info2.txt", u"info2.txt.part");
  EXPECT_EQ(path, (destination() / "info2.txt.part").u16string());
  EXPECT_EQ(read_text(destination() / "info2.txt.part"), "description");
  EXPECT_EQ(read_text(source() / "info2.txt"), "description");
}

TEST_F(FileSources, DirectoryPullReplacesAnExistingTemporaryFile) {
  write_text(source() / "a", "new");
  write_text(destination() / "a.part", "stale and longer");
  pull(u"a", u"a.part");
  EXPECT_EQ(read_text(destination() / "a.part"), "new");
}

TEST_F(FileSources, MissingSourceFileIsFileNotFound) {
  expect_win32_error(2, [&] { pull(u"absent", u"absent.part"); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(FileSources, EmptyFileNameIsRejected) {
  expect_application_error(5157, [&] { pull(u"", u"x.part"); });
}

TEST_F(FileSources, CancelledPullCreatesNothing) {
  write_text(source() / "info2.txt", "description");
  set_stop_event();
  expect_application_error(5391, [&] { pull(u"info2.txt", u"info2.txt.part"); });
  EXPECT_TRUE(list_names(destination()).empty());
}

TEST_F(FileSources, MissingSourceDirectoryFailsWhenBuilt) {
  parameters_.source.source_directory[updater::main_files] = (source() / "absent").u16string();
  expect_application_error(5368, [&] { directory_function(); });
  parameters_.source.source_directory[updater::main_files].clear();
  expect_application_error(5367, [&] { directory_function(); });
}

TEST_F(FileSources, UtilityFilesComeFromTheirOwnDirectory) {
  switch_to_server_mode();
  write_text(utils_source() / "utils.upd", "utility");
  const auto pull_utility =
      get_pull_file_function(parameters_.source, updater::utility_files, utils_destination().u16string());
  updater::cancellation_token token(parameters_.stop_event_name);
  EXPECT_EQ(pull_utility(u"utils.upd", u"utils.upd.part", token, std::chrono::seconds(1)).path,
            (utils_destination() / "utils.upd.part").u16string());
  EXPECT_EQ(read_text(utils_destination() / "utils.upd.part"), "utility");
}

TEST_F(FileSources, FilesTypeOutOfRangeIsRejectedBeforeTheSourceKind) {
  parameters_.source.update_source = static_cast<updater::update_source>(9);
  expect_application_error(5366, [&] { get_pull_file_function(parameters_.source, 2, destination().u16string()); });
  expect_application_error(5366, [&] { get_pull_file_function(parameters_.source, 0, destination().u16string()); });
}

// The host is checked when the function is built; nothing is fetched until it is called.
TEST_F(FileSources, HttpsSourceChecksItsHostWhenBuilt) {
  parameters_.source.update_source = updater::update_source::https;
  parameters_.source.https.host_domain_name = {u"localhost", u"utils.example.com"};
  expect_application_error(5352, [&] { get_pull_file_function(parameters_.source, 0, destination().u16string()); });
  EXPECT_TRUE(get_pull_file_function(parameters_.source, 1, destination().u16string()));
}

}  // namespace
