// A private temporary folder in a place other users may write to: what they plant there
// beforehand, or inside, is neither used nor followed.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/winapi/files/file_attributes.h"
#include "common/winapi/files/private_folder.h"
#include "common/winapi/process/last_error.h"
#include "private_folder_fixture.h"
#include "support/wine.h"

namespace {

namespace fs = std::filesystem;

TEST_F(private_folder_test, is_made_new_for_its_user_alone) {
  const fs::path folder = place() / "settings";
  ASSERT_TRUE(winapi::create_private_folder(folder.u16string())) << winapi::get_last_error();
  EXPECT_TRUE(fs::is_directory(folder));
  // Wine keeps no DACL, only the Unix mode it makes of one; on Windows the protected
  // DACL holds the user's entry alone.
  if (!test_support::running_under_wine()) {
    EXPECT_FALSE(winapi::readable_by_others(folder.u16string()));
  }
}

TEST_F(private_folder_test, a_name_taken_by_a_folder_or_a_file_is_refused_and_left_alone) {
  fs::create_directory(place() / "folder");
  test_support::write_text(place() / "folder" / "inside.txt", "planted");
  test_support::write_text(place() / "file", "planted");
  for (const char* name : {"folder", "file"}) {
    EXPECT_FALSE(winapi::create_private_folder((place() / name).u16string())) << name;
    EXPECT_EQ(winapi::get_last_error(), winapi::error_already_exists) << name;
  }
  EXPECT_EQ(test_support::read_text(place() / "folder" / "inside.txt"), "planted");
  EXPECT_EQ(test_support::read_text(place() / "file"), "planted");
}

// A directory link is a folder with a reparse point, the kind a junction is too. Without
// the right to make links, and under wine 8, which makes none (CreateSymbolicLinkW and
// mklink /J leave nothing), only the tree is removed here; the wine e2e case plants a
// Unix link instead.
TEST_F(private_folder_test, removal_takes_the_tree_and_links_as_links) {
  const fs::path folder = place() / "settings";
  ASSERT_TRUE(winapi::create_private_folder(folder.u16string()));
  fs::create_directories(folder / "a" / "b");
  test_support::write_text(folder / "a" / "b" / "file.xml", "x");
  const fs::path link = folder / "a" / "link";
  ::CreateSymbolicLinkW(link.c_str(), elsewhere().c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  ASSERT_TRUE(winapi::remove_tree_without_following_links(folder.u16string())) << winapi::get_last_error();
  EXPECT_FALSE(fs::exists(folder));
  expect_elsewhere_untouched();
}

TEST_F(private_folder_test, removal_of_a_missing_folder_fails_with_file_not_found) {
  EXPECT_FALSE(winapi::remove_tree_without_following_links((place() / "missing").u16string()));
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);
}

}  // namespace
