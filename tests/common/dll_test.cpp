#include "common/dll.h"

#include <gtest/gtest.h>

#include <string>

#include "common/dll_test_library.h"
#include "error_lib/application_exception.h"
#include "support/log_capture.h"

namespace {

using dll_test::exported_function;
using dll_test::library_name;

TEST(dll, resolved_function_calls_into_the_library) {
  test_support::log_capture capture;
  const common::dll::module_holder module = common::dll::load_library(library_name);
  EXPECT_TRUE(dll_test::resolve_export(module)());
  EXPECT_TRUE(capture.contains(u"Loading library: " + std::u16string(library_name)));
}

TEST(dll, a_resolved_function_keeps_the_module_loaded_after_the_holder_is_gone) {
  ASSERT_FALSE(dll_test::library_is_mapped());
  std::function<bool()> call;
  {
    const common::dll::module_holder module = common::dll::load_library(library_name);
    call = dll_test::resolve_export(module);
  }
  EXPECT_TRUE(dll_test::library_is_mapped());
  EXPECT_TRUE(call());
  call = nullptr;
  EXPECT_FALSE(dll_test::library_is_mapped());
}

TEST(dll, try_resolve_of_a_missing_export_is_empty_and_resolve_raises) {
  const common::dll::module_holder module = common::dll::load_library(library_name);
  EXPECT_FALSE(common::dll::try_resolve<int()>(module, "no_such_export"));
  try {
    common::dll::resolve<int()>(module, "no_such_export");
    FAIL() << "no exception";
  } catch (const common::dll::function_resolving_exception& e) {
    EXPECT_STREQ(e.what(), "Can't retrieve the address of exported function no_such_export");
  }
}

TEST(dll, empty_arguments_are_invalid) {
  const common::dll::module_holder module = common::dll::load_library(library_name);
  try {
    common::dll::try_resolve<int()>(module, "");
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "An invalid argument 'function_name' was passed to the function try_resolve");
  }
  try {
    common::dll::resolve<int()>(module, "");
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "An invalid argument 'function_name' was passed to the function resolve");
  }
  try {
    common::dll::load_library(u"");
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "An invalid argument 'path' was passed to the function load_library");
  }
  EXPECT_THROW(common::dll::try_resolve<int()>(nullptr, exported_function), common::dll::function_resolving_exception);
}

TEST(dll, a_missing_library_raises_the_windows_error_of_load_library) {
  test_support::log_capture capture;
  try {
    common::dll::load_library(dll_test::missing_library);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().category().name(), std::string("win32"));
    EXPECT_EQ(e.code().value(), 126);
    EXPECT_NE(std::string(e.what()).find("LoadLibrary"), std::string::npos) << e.what();
  }
}

TEST(dll, freeing_a_null_module_only_logs) {
  test_support::log_capture capture;
  common::dll::free_library(nullptr);
  EXPECT_TRUE(capture.contains(u"hmodule is nullptr"));
}

}  // namespace
