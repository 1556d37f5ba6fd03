#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "common/path_helpers.h"
#include "error_lib/application_exception.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using path_helpers::split_result;

TEST(path_helpers_join_path, puts_exactly_one_separator_between_the_parts) {
  struct join_case {
    std::u16string first, second, joined;
  };
  const join_case cases[] = {{u"C:\\d\\", u"\\f", u"C:\\d\\f"},
                             {u"C:\\d\\", u"f", u"C:\\d\\f"},
                             {u"C:\\d", u"\\f", u"C:\\d\\f"},
                             {u"C:\\d", u"f", u"C:\\d\\f"},
                             {u"", u"f", u"\\f"},
                             {u"C:\\d", u"", u"C:\\d\\"},
                             // '/' separates too, as everywhere on Windows.
                             {u"C:/d/", u"f", u"C:/d/f"},
                             {u"C:\\d/", u"\\f", u"C:\\d\\f"}};
  for (const join_case& c : cases) EXPECT_EQ(path_helpers::join_path(c.first, c.second), c.joined);
}

TEST(path_helpers_trim_last_slash, removes_every_trailing_separator) {
  EXPECT_EQ(path_helpers::trim_last_slash(u"C:\\d\\"), u"C:\\d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"C:\\d\\\\"), u"C:\\d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"C:\\d/"), u"C:\\d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"C:\\d"), u"C:\\d");
  EXPECT_EQ(path_helpers::trim_last_slash(u"\\\\\\"), u"\\\\\\");
  EXPECT_EQ(path_helpers::trim_last_slash(u""), u"");
}

TEST(path_helpers_split_path, splits_as_wsplitpath_s_does) {
  EXPECT_EQ(path_helpers::split_path(u"C:\\d\\prog.exe"), split_result(u"C:", u"\\d\\", u"prog", u".exe"));
  EXPECT_EQ(path_helpers::split_path(u"C:\\a\\b.tar.gz"), split_result(u"C:", u"\\a\\", u"b.tar", u".gz"));
  EXPECT_EQ(path_helpers::split_path(u"C:/a/b.txt"), split_result(u"C:", u"/a/", u"b", u".txt"));
  EXPECT_EQ(path_helpers::split_path(u"name"), split_result(u"", u"", u"name", u""));
  EXPECT_EQ(path_helpers::split_path(u"\\dir\\"), split_result(u"", u"\\dir\\", u"", u""));
  EXPECT_EQ(path_helpers::split_path(u"a.b\\c"), split_result(u"", u"a.b\\", u"c", u""));
}

TEST(path_helpers_split_path, puts_the_win32_prefix_back_before_the_drive) {
  const split_result expected(u"\\\\?\\C:", u"\\dir\\", u"name", u".ext");
  EXPECT_EQ(path_helpers::split_path(u"\\\\?\\C:\\dir\\name.ext"), expected);
  EXPECT_EQ(path_helpers::split_path(u"\\?\?\\C:\\dir\\name.ext"), expected);
  EXPECT_EQ(path_helpers::split_path(u"\\\\?\\dir\\name.ext"), split_result(u"", u"dir\\", u"name", u".ext"));
}

void expect_split_failure(const std::u16string& path, const std::u16string& logged) {
  test_support::log_capture capture;
  try {
    path_helpers::split_path(path);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 5277);
    EXPECT_STREQ(e.what(), "Could not split module path.");
  }
  EXPECT_TRUE(capture.contains_substring(logged));
}

TEST(path_helpers_split_path, fails_with_5277) {
  expect_split_failure(u"", u"Could not split path. Path is empty.");
  expect_split_failure(u"\\\\?\\", u"Could not split path: \\\\?\\; result is empty");
  expect_split_failure(u"C:\\d\\" + std::u16string(32768, u'n'), u"Could not split path: C:\\d\\nnn");
}

TEST(path_helpers_get_base_name, is_the_name_without_directory_and_extension) {
  EXPECT_EQ(path_helpers::get_base_name(u"C:\\d\\prog.exe"), u"prog");
}

TEST(path_helpers_get_long_path_name, returns_a_prefixed_path_unchanged_without_looking_it_up) {
  EXPECT_EQ(path_helpers::get_long_path_name(u"\\\\?\\C:\\no\\such\\path"), u"\\\\?\\C:\\no\\such\\path");
  EXPECT_EQ(path_helpers::get_long_path_name(u"\\?\?\\C:\\no\\such\\path"), u"\\?\?\\C:\\no\\such\\path");
}

TEST(path_helpers_get_long_path_name, expands_short_names) {
  test_support::temp_directory temp;
  const std::filesystem::path folder = temp.path() / "a long folder name";
  std::filesystem::create_directory(folder);
  std::ofstream(folder / "a long file name.text") << "x";
  const std::filesystem::path file = folder / "a long file name.text";
  wchar_t short_path[MAX_PATH] = {};
  ASSERT_NE(::GetShortPathNameW(file.c_str(), short_path, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(short_path), file.wstring());
  EXPECT_EQ(path_helpers::get_long_path_name(std::filesystem::path(short_path).u16string()), file.u16string());
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
