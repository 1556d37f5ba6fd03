// Queries, reads, writes and positions of fs_utils on real files.
#include "common/fs_utils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/winapi/files/file_api.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "support/error_of.h"
#include "support/temp_directory.h"

namespace {

using test_support::error_of;

namespace fs = std::filesystem;

class fs_utils_test : public ::testing::Test {
 protected:
  std::u16string path(const char* name) const { return (dir_.path() / name).u16string(); }

  std::u16string write(const char* name, const std::string& content) const {
    std::ofstream(dir_.path() / name, std::ios::binary) << content;
    return path(name);
  }

  common::handle_holder open_for_writing(const char* name) const {
    return common::handle_holder(winapi::create_file(path(name), winapi::generic_read | winapi::generic_write,
                                                     winapi::creation_disposition::create_always));
  }

  test_support::temp_directory dir_;
};

TEST_F(fs_utils_test, existence_tests_tell_files_from_directories) {
  const auto file = write("a.txt", "x");
  EXPECT_TRUE(fs_utils::file_exists(file));
  EXPECT_TRUE(fs_utils::file_exists(dir_.path().u16string()));
  EXPECT_FALSE(fs_utils::file_exists(path("missing")));
  EXPECT_FALSE(fs_utils::file_exists(path("missing/deeper")));
  EXPECT_TRUE(fs_utils::directory_exists(dir_.path().u16string()));
  EXPECT_FALSE(fs_utils::directory_exists(file));
  EXPECT_FALSE(fs_utils::directory_exists(path("missing")));
  EXPECT_EQ(error_of([] { fs_utils::file_exists(u""); }), common::make_application_error(5157));
  EXPECT_EQ(error_of([] { fs_utils::directory_exists(u""); }), common::make_application_error(5367));
}

TEST_F(fs_utils_test, sizes_by_path_and_by_handle_agree) {
  const auto file = write("sized", std::string(12345, 'z'));
  EXPECT_EQ(fs_utils::get_file_size(file), 12345u);
  const auto handle = fs_utils::details::create_handle_kernel(file);
  EXPECT_EQ(fs_utils::get_file_size(handle.get()), 12345u);
  EXPECT_EQ(error_of([&] { fs_utils::get_file_size(path("missing")); }), win32::make_win32_error(2));
  EXPECT_EQ(error_of([] { fs_utils::get_file_size(u""); }), common::make_application_error(5157));
}

TEST_F(fs_utils_test, read_file_takes_files_up_to_sixty_four_kib) {
  std::string content(65536, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  const auto bytes = fs_utils::read_file(write("limit", content));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
  EXPECT_TRUE(fs_utils::read_file(write("empty", "")).empty());
  EXPECT_EQ(error_of([&] { fs_utils::read_file(write("over", content + "!")); }), common::make_application_error(5316));
  EXPECT_EQ(error_of([&] { fs_utils::read_file(path("missing")); }), win32::make_win32_error(2));
}

TEST_F(fs_utils_test, write_file_checks_its_arguments_and_writes_at_the_position) {
  const auto file = open_for_writing("out");
  ASSERT_TRUE(file.valid());
  EXPECT_EQ(fs_utils::write_file(file.get(), nullptr, 0), 0u);
  EXPECT_EQ(error_of([&] { fs_utils::write_file(file.get(), nullptr, 1); }), common::make_application_error(5528));
  EXPECT_EQ(error_of([] { fs_utils::write_file(0, "x", 1); }), common::make_application_error(5001));
  EXPECT_EQ(error_of([] { fs_utils::write_file(-1, nullptr, 0); }), common::make_application_error(5001));

  EXPECT_EQ(fs_utils::write_file(file.get(), "0123456789", 10), 10u);
  EXPECT_EQ(fs_utils::get_file_pointer(file.get()), 10u);
  fs_utils::set_file_pointer(file.get(), 4);
  EXPECT_EQ(fs_utils::get_file_pointer(file.get()), 4u);
  EXPECT_EQ(fs_utils::write_file(file.get(), "ab", 2), 2u);
  fs_utils::details::flush_file_buffers(file.get());
  const auto bytes = fs_utils::read_file(path("out"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123ab6789");
}

TEST_F(fs_utils_test, positions_refuse_invalid_handles_and_negative_offsets) {
  const auto file = open_for_writing("pos");
  EXPECT_EQ(error_of([&] { fs_utils::set_file_pointer(file.get(), -1); }), common::make_application_error(5358));
  EXPECT_EQ(error_of([] { fs_utils::set_file_pointer(0, 0); }), common::make_application_error(5001));
  EXPECT_EQ(error_of([] { fs_utils::get_file_pointer(-1); }), common::make_application_error(5001));
  EXPECT_EQ(error_of([] { fs_utils::details::flush_file_buffers(0); }), common::make_application_error(5001));
  // As on Windows, a handle without write access cannot be flushed.
  const auto reader = fs_utils::details::create_handle_kernel(write("read-only", "x"));
  EXPECT_EQ(error_of([&] { fs_utils::details::flush_file_buffers(reader.get()); }), win32::make_win32_error(5));
}

TEST_F(fs_utils_test, delete_file_removes_and_reports_a_missing_file) {
  const auto file = write("doomed", "x");
  fs_utils::delete_file(file);
  EXPECT_FALSE(fs::exists(dir_.path() / "doomed"));
  EXPECT_EQ(error_of([&] { fs_utils::delete_file(file); }), win32::make_win32_error(2));
}

TEST_F(fs_utils_test, unique_temp_files_are_new_empty_and_named_prefix_and_number) {
  const auto directory = dir_.path().u16string();
  const auto first = fs_utils::create_unique_temp_file_with_handle(directory, u"update_package_signature_error_data");
  const auto second = fs_utils::create_unique_temp_file_with_handle(directory, u"update_package_signature_error_data");
  ASSERT_TRUE(first.handle.valid());
  EXPECT_NE(first.path, second.path);
  for (const auto* temp : {&first, &second}) {
    const fs::path file(temp->path);
    EXPECT_EQ(file.parent_path(), dir_.path());
    const std::string name = file.filename().string();
    ASSERT_EQ(name.rfind("update_package_signature_error_data", 0), 0u);
    const std::string number = name.substr(std::string("update_package_signature_error_data").size());
    ASSERT_FALSE(number.empty());
    EXPECT_NE(number[0], '0');
    EXPECT_GE(std::stoul(number), 1u);
    EXPECT_LE(std::stoul(number), 999999u);
    EXPECT_EQ(fs::file_size(file), 0u);
  }
  EXPECT_EQ(fs_utils::write_file(first.handle.get(), "abc", 3), 3u);
  EXPECT_EQ(error_of([] { fs_utils::create_unique_temp_file_with_handle(u"", u"p"); }),
            common::make_application_error(5170));
  EXPECT_EQ(error_of([&] { fs_utils::create_unique_temp_file_with_handle(directory, nullptr); }),
            common::make_application_error(5171));
  EXPECT_EQ(error_of([&] { fs_utils::create_unique_temp_file_with_handle(path("missing"), u"p"); }),
            win32::make_win32_error(3));
}

TEST_F(fs_utils_test, last_write_time_is_a_filetime) {
  const auto file = write("stamped", "x");
  // 2020-01-01 00:00:00 UTC.
  const auto stamp = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1577836800)));
  fs::last_write_time(dir_.path() / "stamped", stamp);
  EXPECT_EQ(fs_utils::get_file_last_write_time(file), 132223104000000000ull);
  EXPECT_THROW(fs_utils::get_file_last_write_time(u""), std::invalid_argument);
  EXPECT_EQ(error_of([&] { fs_utils::get_file_last_write_time(path("missing")); }), win32::make_win32_error(2));
}

TEST_F(fs_utils_test, full_path_names_are_absolute_and_normalised) {
  // std::filesystem joins with the system's separator; the root is "/" or the current drive's.
  const fs::path root = fs::current_path().root_path();
  EXPECT_EQ(fs_utils::get_full_path_name(root.u16string() + u"a/b/../c/./d"), (root / "a" / "c" / "d").u16string());
  EXPECT_EQ(fs_utils::get_full_path_name(u"rel/x"), (fs::current_path() / "rel" / "x").u16string());
}

TEST_F(fs_utils_test, the_temp_path_ends_with_a_separator) {
  const auto temp = fs_utils::get_temp_path();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), fs::path::preferred_separator);
  EXPECT_TRUE(fs_utils::directory_exists(temp));
}

}  // namespace
