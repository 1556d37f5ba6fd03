#include "common/security.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "error_lib/application_exception.h"
#include "support/log_capture.h"

namespace {

TEST(security_get_module_file_name, of_this_code_is_the_running_executable) {
  const std::filesystem::path path = security::get_module_file_name();
  EXPECT_TRUE(path.is_absolute());
  EXPECT_EQ(path, std::filesystem::canonical("/proc/self/exe"));
  EXPECT_EQ(path.filename(), "common_tests");
}

TEST(security_get_module_file_name, of_a_loaded_library_is_its_path) {
  const common::dll::module_holder module = common::dll::load_library(u"libBrokenLocale.so.1");
  const std::filesystem::path path = security::get_module_file_name(module->get());
  EXPECT_EQ(path.filename(), "libBrokenLocale.so.1");
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(security_get_module_file_name, of_no_module_raises_the_windows_error) {
  test_support::log_capture capture;
  try {
    security::get_module_file_name(nullptr);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 126);
    EXPECT_NE(std::string(e.what()).find("GetModuleFileNameW"), std::string::npos) << e.what();
  }
}

}  // namespace
