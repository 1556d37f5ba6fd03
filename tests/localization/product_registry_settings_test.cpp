// The suite's settings read from a private registry store. The component root and the
// cached library name are process-wide and set once, so those cases run in a child.
#include "localization/product_registry_settings.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/registry_helpers.h"
#include "common/registry_test_store.h"
#include "common/text.h"
#include "localization/product_names.h"
#include "support/error_of.h"

namespace {

namespace settings = product_registry_settings;
using winapi::hkey_local_machine;

const std::u16string client_key = u"SOFTWARE\\Kestrane\\Marvenholt\\Client\\Calvessa";
const std::u16string server_key = u"SOFTWARE\\Kestrane\\Marvenholt\\Server\\Brindlemar";
const std::u16string suite_key = u"SOFTWARE\\Kestrane\\Marvenholt";

// Ends a forked child: 0 when the texts match, else 1 with both on standard error.
[[noreturn]] void exit_comparing(const std::u16string& actual, const std::u16string& expected) {
  if (actual == expected) std::exit(0);
  std::fprintf(stderr, "actual '%s', expected '%s'\n", common::utf16_to_utf8(actual).c_str(),
               common::utf16_to_utf8(expected).c_str());
  std::exit(1);
}

class product_registry_settings_test : public ::testing::Test {
 protected:
  void SetUp() override {
    // Children run in a fresh process, not a fork of one whose roots may be installed.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    registry_helpers::set_string_to_registry(hkey_local_machine, client_key, u"InstallDir", u"/opt/calvessa//");
    registry_helpers::set_string_to_registry(hkey_local_machine, client_key, u"TextResources", u"client.mo");
    registry_helpers::set_string_to_registry(hkey_local_machine, server_key, u"InstallDir", u"/opt/brindlemar/");
    registry_helpers::set_string_to_registry(hkey_local_machine, server_key, u"TextResources", u"server.mo");
    registry_helpers::set_string_to_registry(hkey_local_machine, suite_key, u"ProductLocale", u"ru-RU/");
  }

  test_support::registry_test_store store_;
};

TEST(product_names, roots_are_the_key_paths_below_the_machine_hive) {
  // A 64-bit process: no Wow6432Node.
  EXPECT_EQ(product_names::client_component_root(), client_key);
  EXPECT_EQ(product_names::server_component_root(), server_key);
  EXPECT_EQ(product_names::suite_root(), suite_key);
}

TEST_F(product_registry_settings_test, the_server_root_set_before_the_first_read_is_used) {
  EXPECT_EXIT(
      {
        settings::set_component_root(product_names::server_component_root);
        settings::set_component_root(product_names::client_component_root);
        exit_comparing(settings::get_localization_dll_path(), u"/opt/brindlemar/server.mo");
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(product_registry_settings_test, after_a_read_the_client_root_stays) {
  EXPECT_EXIT(
      {
        const std::u16string first = settings::get_install_path();
        settings::set_component_root(product_names::server_component_root);
        exit_comparing(first + u"|" + settings::get_install_path(), u"/opt/calvessa|/opt/calvessa");
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(product_registry_settings_test, the_library_name_is_read_once_and_the_folder_every_time) {
  EXPECT_EXIT(
      {
        const std::u16string first = settings::get_localization_dll_path();
        registry_helpers::set_string_to_registry(hkey_local_machine, client_key, u"TextResources", u"other.mo");
        registry_helpers::set_string_to_registry(hkey_local_machine, client_key, u"InstallDir", u"/srv/c");
        exit_comparing(first + u"|" + settings::get_localization_dll_path() + u"|" +
                           settings::get_localization_dll_name_from_registry(),
                       u"/opt/calvessa/client.mo|/srv/c/client.mo|other.mo");
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(product_registry_settings_test, the_product_language_comes_from_the_suite_key) {
  EXPECT_EQ(settings::get_product_language(), u"ru-RU");
  registry_helpers::set_value_to_registry(hkey_local_machine, suite_key, u"ProductLocale", 1049);
  EXPECT_EQ(test_support::error_of([] { settings::get_product_language(); }).value(), 5175);
}

TEST_F(product_registry_settings_test, a_missing_setting_is_a_registry_read_failure) {
  EXPECT_EXIT(
      {
        std::filesystem::remove_all(store_.key_folder("software/kestrane/marvenholt/client"));
        const auto code = test_support::error_of([] { settings::get_install_path(); });
        std::exit(code.value() == 5174 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(product_registry_settings_test, the_registry_object_forwards_each_slot) {
  const auto registry = settings::get_registry();
  EXPECT_EQ(registry, settings::get_registry());
  const std::u16string key = u"SOFTWARE\\Kestrane\\Slots";
  registry->set_string_to_registry(hkey_local_machine, key, u"s", u"text");
  registry->set_dword_to_registry(hkey_local_machine, key, u"d", 7);
  registry->set_binary_to_registry(hkey_local_machine, key, u"b", {1, 2});
  registry->set_time_t_to_registry(hkey_local_machine, key, u"t", 1234567890);
  registry->set_filetime_to_registry(hkey_local_machine, key, u"f", {5, 6});
  EXPECT_EQ(registry->get_string_from_registry(hkey_local_machine, key, u"s"), u"text");
  EXPECT_EQ(registry->get_string_from_registry_WOW64(hkey_local_machine, key, u"s"), u"text");
  EXPECT_EQ(registry->get_dword_from_registry(hkey_local_machine, key, u"d"), 7u);
  EXPECT_EQ(registry->get_binary_from_registry(hkey_local_machine, key, u"b"), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(registry->get_time_t_from_registry(hkey_local_machine, key, u"t"), 1234567890);
  EXPECT_EQ(registry->get_filetime_from_registry(hkey_local_machine, key, u"f"), (registry_helpers::filetime{5, 6}));
}

}  // namespace
