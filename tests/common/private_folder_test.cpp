// A private temporary folder in a place other users may write to: what they plant there
// beforehand, or inside, is neither used nor followed.
#include "common/winapi/files/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/winapi/process/last_error.h"
#include "private_folder_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST_F(private_folder_test, is_made_new_for_its_user_alone) {
  const fs::path folder = place() / "settings";
  ASSERT_TRUE(winapi::create_private_folder(folder.u16string())) << winapi::get_last_error();
  struct stat facts {};
  ASSERT_EQ(::lstat(folder.c_str(), &facts), 0);
  EXPECT_TRUE(S_ISDIR(facts.st_mode));
  EXPECT_EQ(facts.st_mode & 0777, 0700u);
}

TEST_F(private_folder_test, a_name_taken_by_a_folder_a_file_or_a_link_is_refused_and_left_alone) {
  fs::create_directory(place() / "folder");
  test_support::write_text(place() / "file", "planted");
  fs::create_directory_symlink(elsewhere(), place() / "link to a folder");
  fs::create_symlink(place() / "nowhere", place() / "dangling link");
  for (const char* name : {"folder", "file", "link to a folder", "dangling link"}) {
    EXPECT_FALSE(winapi::create_private_folder((place() / name).u16string())) << name;
    EXPECT_EQ(winapi::get_last_error(), winapi::error_already_exists) << name;
  }
  EXPECT_TRUE(fs::is_symlink(place() / "link to a folder"));
  EXPECT_FALSE(fs::exists(place() / "nowhere"));
  expect_elsewhere_untouched();
}

TEST_F(private_folder_test, removal_takes_links_as_links_at_every_depth) {
  const fs::path folder = place() / "settings";
  ASSERT_TRUE(winapi::create_private_folder(folder.u16string()));
  fs::create_directories(folder / "a/b");
  test_support::write_text(folder / "a/b/file.xml", "x");
  fs::create_directory_symlink(elsewhere(), folder / "link to a folder");
  fs::create_directory_symlink(elsewhere(), folder / "a/b/deep link");
  fs::create_symlink(elsewhere() / "keep.txt", folder / "a/link to a file");
  ASSERT_TRUE(winapi::remove_tree_without_following_links(folder.u16string())) << winapi::get_last_error();
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
  expect_elsewhere_untouched();
}

TEST_F(private_folder_test, removal_of_a_link_removes_the_link_only) {
  const fs::path link = place() / "settings";
  fs::create_directory_symlink(elsewhere(), link);
  ASSERT_TRUE(winapi::remove_tree_without_following_links(link.u16string())) << winapi::get_last_error();
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  expect_elsewhere_untouched();
}

TEST_F(private_folder_test, removal_of_a_missing_folder_fails_with_file_not_found) {
  EXPECT_FALSE(winapi::remove_tree_without_following_links((place() / "missing").u16string()));
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);
}

}  // namespace
