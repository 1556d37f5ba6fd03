// Every program loads a library named without a folder from System32 only: one a user put
// in the current directory, on PATH or even beside the program is never taken.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/dll.h"
#include "common/security.h"
#include "error_lib/application_exception.h"
#include "support/current_directory.h"
#include "support/environment_variable.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

constexpr char library_name[] = "ferrowick-test-marker.dll";

// The build puts the library beside the test program.
std::filesystem::path library_beside_the_program() {
  return std::filesystem::path(security::get_module_file_name()).parent_path() / library_name;
}

TEST(dll_search, a_library_in_the_current_directory_on_path_or_beside_the_program_is_not_found_by_name) {
  const test_support::temp_directory planted;
  const std::filesystem::path copy = planted.path() / library_name;
  std::filesystem::copy_file(library_beside_the_program(), copy);
  const test_support::current_directory in_planted(planted.path());
  const test_support::environment_variable path("PATH", planted.path().string());
  test_support::log_capture capture;
  try {
    common::dll::load_library(u"ferrowick-test-marker.dll");
    FAIL() << "loaded by name";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 126) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(planted.path() / "ferrowick-test-marker.dll.loaded"));

  // By its full path the same file loads (and marks its load).
  const common::dll::module_holder module = common::dll::load_library(copy.u16string());
  EXPECT_TRUE(std::filesystem::exists(planted.path() / "ferrowick-test-marker.dll.loaded"));
}

}  // namespace
