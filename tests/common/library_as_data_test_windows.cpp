// The localization library is loaded as an image resource with exclusive write access:
// nothing in it runs, and no one can change the file while it is loaded.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/security.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/language/library_as_data.h"
#include "common/winapi/process/last_error.h"
#include "support/temp_directory.h"

namespace {

TEST(library_as_data, runs_nothing_of_the_library_and_keeps_it_from_writers_until_freed) {
  const test_support::temp_directory folder;
  // The marker library, which the build puts beside the test program, marks every load as code.
  const std::filesystem::path library = folder.path() / "ferrowick-test-marker.dll";
  std::filesystem::copy_file(std::filesystem::path(security::get_module_file_name()).parent_path() / library.filename(),
                             library);
  const auto open_for_writing = [&] {
    return winapi::create_file(library.u16string(), winapi::generic_write, winapi::creation_disposition::open_existing);
  };

  const winapi::data_module_handle module = winapi::load_library_as_datafile(library.u16string());
  ASSERT_NE(module, nullptr) << winapi::get_last_error();
  EXPECT_FALSE(std::filesystem::exists(library.string() + ".loaded"));
  EXPECT_EQ(open_for_writing(), winapi::invalid_handle_value);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_sharing_violation);

  ASSERT_TRUE(winapi::free_data_library(module));
  const winapi::handle_t writer = open_for_writing();
  EXPECT_NE(writer, winapi::invalid_handle_value) << winapi::get_last_error();
  winapi::close_handle(writer);
}

}  // namespace
