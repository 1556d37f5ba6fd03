// The worker reads its component's settings from the registry store: in server mode the
// server component's InstallDir leads to the localization library, whose languages
// decide the product language id the worker traces.
#include <gtest/gtest.h>

#include "common/registry_helpers.h"
#include "common/registry_test_store.h"
#include "common/text.h"
#include "worker_fixture.h"

namespace {

using winapi::hkey_local_machine;

class product_language_e2e : public worker_fixture {
 protected:
  product_language_e2e() {
    // The library the build makes holds ru-RU and en-US; the client's folder holds none.
    const auto shipped = std::filesystem::path(FERROWICK_BINARY_DIR) / "messages";
    set_component(u"SOFTWARE\\Kestrane\\Marvenholt\\Server\\Brindlemar", shipped.string() + "/");
    set_component(u"SOFTWARE\\Kestrane\\Marvenholt\\Client\\Calvessa", temp_.path().string());
    registry_helpers::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\Kestrane\\Marvenholt", u"ProductLocale",
                                             u"ru-RU");
    environment_["FERROWICK_REGISTRY_ROOT"] = store_.root().string();
  }

  static void set_component(const std::u16string& key, const std::string& install_dir) {
    registry_helpers::set_string_to_registry(hkey_local_machine, key, u"InstallDir",
                                             common::utf8_to_utf16(install_dir));
    registry_helpers::set_string_to_registry(hkey_local_machine, key, u"TextResources", u"ferrowick-messages.mo");
  }

  std::string run_and_read_log(const test_support::parameter_pairs& pairs) {
    EXPECT_EQ(run(pairs).exit_code, 255) << "no update can be placed from an empty source";
    return log_text();
  }

  test_support::registry_test_store store_;
};

bool contains(const std::string& log, const std::string& text) { return log.find(text) != std::string::npos; }

TEST_F(product_language_e2e, a_server_worker_finds_the_library_in_the_server_install_dir) {
  const std::string log = run_and_read_log(server());
  EXPECT_TRUE(contains(log, "Set 2 language(s) by SetProcessPreferredUILanguages for 'ru-RU")) << log;
  EXPECT_TRUE(contains(log, "Lang_id_hex = 0x419 , Lang_id = 1049 aka 'ru-RU'.")) << log;
}

TEST_F(product_language_e2e, a_client_worker_looks_in_the_client_install_dir) {
  const std::string log = run_and_read_log(client());
  EXPECT_TRUE(contains(log, "Set 2 language(s) by SetProcessPreferredUILanguages for 'ru-RU")) << log;
  EXPECT_TRUE(contains(log, "Could not install the product language: ")) << log;
  EXPECT_FALSE(contains(log, "Lang_id = ")) << log;
}

}  // namespace
