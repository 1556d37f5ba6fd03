#include <gtest/gtest.h>

#include <filesystem>

#include "common/dll_test_library.h"
#include "common/security.h"
#include "error_lib/application_exception.h"
#include "support/log_capture.h"

namespace {

TEST(security_get_module_file_name, of_this_code_is_the_running_executable) {
  const std::filesystem::path path = security::get_module_file_name();
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.filename(), "common_tests.exe");
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(security_get_module_file_name, of_a_loaded_library_is_its_path) {
  const common::dll::module_holder module = common::dll::load_library(dll_test::library_name);
  const std::filesystem::path path = security::get_module_file_name(module->get());
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.filename(), dll_test::library_name);
}

// A null module is the program's own (GetModuleFileNameW's rule); an address that no
// module was loaded at is none.
TEST(security_get_module_file_name, of_no_module_raises_the_windows_error) {
  EXPECT_EQ(security::get_module_file_name(nullptr), security::get_module_file_name());
  test_support::log_capture capture;
  int not_a_module = 0;
  try {
    security::get_module_file_name(&not_a_module);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 126);
    EXPECT_NE(std::string(e.what()).find("GetModuleFileNameW"), std::string::npos) << e.what();
  }
}

}  // namespace
