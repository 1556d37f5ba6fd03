#include "common/path_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "error_lib/application_exception.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using path_helpers::split_result;

TEST(path_helpers_join_path, puts_exactly_one_separator_between_the_parts) {
  EXPECT_EQ(path_helpers::join_path(u"/d/", u"/f"), u"/d/f");
  EXPECT_EQ(path_helpers::join_path(u"/d/", u"f"), u"/d/f");
  EXPECT_EQ(path_helpers::join_path(u"/d", u"/f"), u"/d/f");
  EXPECT_EQ(path_helpers::join_path(u"/d", u"f"), u"/d/f");
  EXPECT_EQ(path_helpers::join_path(u"", u"f"), u"/f");
  EXPECT_EQ(path_helpers::join_path(u"/d", u""), u"/d/");
}

TEST(path_helpers_join_with, counts_any_of_the_separators_and_puts_in_the_first) {
  EXPECT_EQ(path_helpers::join_with(u"d", u"f", u"\\/"), u"d\\f");
  EXPECT_EQ(path_helpers::join_with(u"d/", u"f", u"\\/"), u"d/f");
  EXPECT_EQ(path_helpers::join_with(u"d", u"/f", u"\\/"), u"d/f");
  EXPECT_EQ(path_helpers::join_with(u"d\\", u"/f", u"\\/"), u"d/f");
}

TEST(path_helpers_trim_last_slash, removes_every_trailing_separator) {
  EXPECT_EQ(path_helpers::trim_last_slash(u"/d/"), u"/d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"/d//"), u"/d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"/d"), u"/d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"///"), u"///");
  EXPECT_EQ(path_helpers::trim_last_slash(u""), u"");
}

TEST(path_helpers_split_path, splits_into_directory_name_and_extension) {
  EXPECT_EQ(path_helpers::split_path(u"/opt/x/prog.exe"), split_result(u"", u"/opt/x/", u"prog", u".exe"));
  EXPECT_EQ(path_helpers::split_path(u"/a/b.tar.gz"), split_result(u"", u"/a/", u"b.tar", u".gz"));
  EXPECT_EQ(path_helpers::split_path(u"name"), split_result(u"", u"", u"name", u""));
  EXPECT_EQ(path_helpers::split_path(u"/dir/"), split_result(u"", u"/dir/", u"", u""));
  EXPECT_EQ(path_helpers::split_path(u"a.b/c"), split_result(u"", u"a.b/", u"c", u""));
  EXPECT_EQ(path_helpers::split_path(u"/d/.profile"), split_result(u"", u"/d/", u"", u".profile"));
}

TEST(path_helpers_split_path, drops_either_long_path_prefix) {
  EXPECT_EQ(path_helpers::split_path(u"//?/dir/name.ext"), split_result(u"", u"/dir/", u"name", u".ext"));
  EXPECT_EQ(path_helpers::split_path(u"/?\?/dir/name.ext"), split_result(u"", u"/dir/", u"name", u".ext"));
}

TEST(path_helpers_split_path, empty_path_fails_with_5277) {
  test_support::log_capture capture;
  try {
    path_helpers::split_path(u"");
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 5277);
    EXPECT_STREQ(e.what(), "Could not split module path.");
  }
  EXPECT_TRUE(capture.contains_substring(u"Could not split path. Path is empty."));
}

TEST(path_helpers_split_path, a_part_longer_than_the_split_buffers_fails_with_5277) {
  test_support::log_capture capture;
  const std::u16string long_name(32768, u'n');
  EXPECT_EQ(path_helpers::split_path(u"/d/" + std::u16string(32767, u'n')),
            split_result(u"", u"/d/", std::u16string(32767, u'n'), u""));
  try {
    path_helpers::split_path(u"/d/" + long_name);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 5277);
  }
  EXPECT_TRUE(capture.contains_substring(u"Could not split path: /d/nnn"));
}

TEST(path_helpers_get_base_name, is_the_name_without_directory_and_extension) {
  EXPECT_EQ(path_helpers::get_base_name(u"/d/prog.exe"), u"prog");
  EXPECT_EQ(path_helpers::get_base_name(u"/usr/bin/ferrowick"), u"ferrowick");
}

TEST(path_helpers_get_long_path_name, returns_a_prefixed_path_unchanged_without_looking_it_up) {
  EXPECT_EQ(path_helpers::get_long_path_name(u"//?/no/such/path"), u"//?/no/such/path");
  EXPECT_EQ(path_helpers::get_long_path_name(u"/?\?/no/such/path"), u"/?\?/no/such/path");
}

TEST(path_helpers_get_long_path_name, resolves_an_existing_path_to_its_full_form) {
  test_support::temp_directory temp;
  const std::filesystem::path real = std::filesystem::canonical(temp.path());
  std::filesystem::create_directory(real / "inner");
  std::ofstream(real / "inner" / "file.txt") << "x";
  std::filesystem::create_directory_symlink(real / "inner", real / "link");

  const std::u16string through_link = (real / "link" / ".." / "inner" / "file.txt").u16string();
  EXPECT_EQ(path_helpers::get_long_path_name(through_link), (real / "inner" / "file.txt").u16string());
  EXPECT_EQ(path_helpers::get_long_path_name((real / "link").u16string() + u"/"), (real / "inner").u16string() + u"/");
}

TEST(path_helpers_get_long_path_name, a_missing_path_raises_the_windows_error_with_the_path) {
  test_support::log_capture capture;
  test_support::temp_directory temp;
  const std::u16string missing = (temp.path() / "missing").u16string();
  try {
    path_helpers::get_long_path_name(missing);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().category().name(), std::string("win32"));
    EXPECT_EQ(e.code().value(), 2);
    EXPECT_NE(std::string(e.what()).find("GetLongPathNameW"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(capture.contains_substring(u"for path: " + missing));
}

}  // namespace
