// Private temporary files: made new (a leftover of the name is replaced, never reused),
// held so that no other opener can write them until they are placed by their handle,
// and files read by their wide names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/fs_utils.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/process/last_error.h"
#include "support/temp_directory.h"
#include "support/update_source.h"

namespace {

namespace fs = std::filesystem;

class private_file_test : public ::testing::Test {
 protected:
  fs::path at(const char* name) const { return dir_.path() / fs::path(reinterpret_cast<const char8_t*>(name)); }

  // The last error of an open for writing, or 0 when it opened.
  static uint32_t error_opening_for_writing(const fs::path& file) {
    const common::handle_holder opened(
        winapi::create_file(file.u16string(), winapi::generic_write, winapi::creation_disposition::open_existing));
    return opened ? 0 : winapi::get_last_error();
  }

  test_support::temp_directory dir_;
};

TEST_F(private_file_test, a_leftover_is_replaced_and_the_held_file_refuses_writers_until_it_is_placed) {
  test_support::write_text(at("bases.part"), "forged by another user");
  fs_utils::temp_file_with_handle file = fs_utils::create_private_temp_file(at("bases.part").u16string());
  EXPECT_EQ(fs_utils::get_file_size(file.handle.get()), 0u);
  EXPECT_FALSE(winapi::readable_by_others(file.path));
  const std::string content = "verified bases";
  ASSERT_EQ(fs_utils::write_file(file.handle.get(), content.data(), content.size()), content.size());
  EXPECT_EQ(error_opening_for_writing(at("bases.part")), winapi::error_sharing_violation);
  EXPECT_EQ(fs_utils::read_file(file.handle.get(), file.path), std::vector<uint8_t>(content.begin(), content.end()));

  test_support::write_text(at("bases"), "old bases");
  fs_utils::place_held_file(file, at("bases").u16string());
  EXPECT_TRUE(file.path.empty());
  EXPECT_FALSE(file.handle);
  EXPECT_EQ(test_support::list_names(dir_.path()), std::vector<std::string>{"bases"});
  EXPECT_EQ(test_support::read_text(at("bases")), content);
  EXPECT_EQ(error_opening_for_writing(at("bases")), 0u);
}

TEST_F(private_file_test, a_discarded_file_is_gone_and_a_copy_holds_the_source_bytes) {
  test_support::write_text(at("source"), "update");
  fs_utils::temp_file_with_handle copy =
      fs_utils::copy_to_private_file(at("source").u16string(), at("copy.part").u16string());
  EXPECT_EQ(error_opening_for_writing(at("copy.part")), winapi::error_sharing_violation);
  EXPECT_EQ(fs_utils::read_file(copy.handle.get(), copy.path), (std::vector<uint8_t>{'u', 'p', 'd', 'a', 't', 'e'}));
  fs_utils::discard_held_file(copy);
  EXPECT_EQ(test_support::list_names(dir_.path()), std::vector<std::string>{"source"});
}

// Windows reads narrow names in the ANSI code page, which lacks Cyrillic.
TEST_F(private_file_test, a_file_named_outside_the_code_page_is_read_by_its_wide_name) {
  const fs::path folder = at("ключи");
  fs::create_directories(folder);
  test_support::write_text(folder / fs::path(u8"открытый.b64"), "key");
  EXPECT_EQ(fs_utils::read_file((folder / fs::path(u8"открытый.b64")).u16string()),
            (std::vector<uint8_t>{'k', 'e', 'y'}));
}

}  // namespace
