// The product settings the worker adjusts before its update step. The component root
// is process-wide and set once, so each case runs in a child process of its own.
#include <gtest/gtest.h>

#include "localization/product_settings.h"
#include "support/log_capture.h"

namespace {

using namespace product_registry_settings;

TEST(product_settings, component_roots_are_the_component_key_paths) {
  EXPECT_EQ(client_component_root(), u"SOFTWARE\\Kestrane\\Marvenholt\\Client\\Calvessa");
  EXPECT_EQ(server_component_root(), u"SOFTWARE\\Kestrane\\Marvenholt\\Server\\Brindlemar");
}

TEST(product_settings_death, the_server_root_set_before_the_first_read_stays) {
  EXPECT_EXIT(
      {
        const bool installed = set_component_root(server_component_root());
        const bool again = set_component_root(client_component_root());
        std::exit(installed && !again && get_component_root() == server_component_root() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(product_settings_death, after_a_read_the_client_root_stays) {
  EXPECT_EXIT(
      {
        const bool client_read = get_component_root() == client_component_root();
        const bool installed = set_component_root(server_component_root());
        std::exit(client_read && !installed && get_component_root() == client_component_root() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(product_languages, fall_back_to_en_us_alone) {
  test_support::log_capture capture;
  EXPECT_TRUE(localization::set_product_languages_for_process_for_application());
  EXPECT_EQ(localization::get_process_preferred_ui_languages(), std::u16string(u"en-US\0\0", 7));
  const std::u16string languages(u"en-US\0\0", 7);
  EXPECT_TRUE(capture.contains(u"Set 1 language(s) by SetProcessPreferredUILanguages for '" + languages + u"'."));
}

}  // namespace
