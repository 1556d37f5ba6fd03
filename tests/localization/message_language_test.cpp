// The product's UI languages and language id, from a private registry store and
// localization libraries made for each case with msgfmt.
#include "localization/message_language.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/registry_helpers.h"
#include "common/registry_test_store.h"
#include "common/text.h"
#include "common/winapi/language/ui_languages.h"
#include "localization/message_formatter.h"
#include "support/child_process.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using winapi::hkey_local_machine;
using namespace std::string_literals;

const std::u16string client_key = u"SOFTWARE\\Kestrane\\Marvenholt\\Client\\Calvessa";
const std::u16string suite_key = u"SOFTWARE\\Kestrane\\Marvenholt";

class message_language_test : public ::testing::Test {
 protected:
  // The localization library and the registry roots are loaded once per process: each
  // child runs in a fresh process, not a fork of one that may have loaded them.
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  void set_product_locale(const std::u16string& locale) {
    registry_helpers::set_string_to_registry(hkey_local_machine, suite_key, u"ProductLocale", locale);
  }

  // A localization library holding the test message in these locales, named in the store.
  void install_library(const std::vector<std::string>& locales) {
    const auto po = library_.path() / "library.po";
    std::ofstream text(po);
    text << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
    for (const std::string& locale : locales) {
      text << "\nmsgctxt \"" << locale << "\"\nmsgid \"0x42000001\"\nmsgstr \"test\"\n";
    }
    text.close();
    test_support::child_options options;
    options.arguments = {"--check", "-o", (library_.path() / "library.mo").string(), po.string()};
    const auto result = test_support::run_child("/usr/bin/msgfmt", options);
    ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
    registry_helpers::set_string_to_registry(hkey_local_machine, client_key, u"InstallDir",
                                             common::utf8_to_utf16(library_.path().string()));
    registry_helpers::set_string_to_registry(hkey_local_machine, client_key, u"TextResources", u"library.mo");
  }

  test_support::registry_test_store store_;
  test_support::temp_directory library_;
};

TEST_F(message_language_test, the_language_buffer_holds_the_product_locale_then_en_us) {
  struct buffer_case {
    std::u16string product_locale;
    std::u16string buffer;
  };
  const buffer_case cases[] = {
      {u"ru-RU", u"ru-RU\0en-US\0\0"s},
      {u"ru-RU/", u"ru-RU\0en-US\0\0"s},
      {u"ru", u"en-US\0\0"s},
      {u"ru-RU-x", u"en-US\0\0"s},
  };
  for (const auto& c : cases) {
    set_product_locale(c.product_locale);
    EXPECT_EQ(localization::get_product_languages_for_application(), c.buffer);
  }
  test_support::log_capture log;
  set_product_locale(u"ru");
  EXPECT_EQ(localization::get_product_languages_for_application(), u"en-US\0\0"s);
  EXPECT_TRUE(log.contains(u"suite_product_languages faled, error : Size of languages mismatch."));
}

TEST_F(message_language_test, a_missing_product_locale_leaves_en_us_alone) {
  test_support::log_capture log;
  EXPECT_EQ(localization::get_product_languages_for_application(), u"en-US\0\0"s);
  EXPECT_TRUE(log.contains(u"suite_product_languages faled, error : Failed to read value from registry."));
}

TEST_F(message_language_test, the_apis_set_the_languages_and_trace_the_whole_buffer) {
  test_support::log_capture log;
  const std::u16string languages = u"ru-RU\0en-US\0\0"s;
  EXPECT_TRUE(localization::set_product_languages_for_process_api(languages));
  EXPECT_EQ(winapi::get_process_preferred_ui_languages(), languages);
  EXPECT_TRUE(log.contains(u"Set 2 language(s) by SetProcessPreferredUILanguages for '" + languages + u"'."));
  EXPECT_TRUE(localization::set_product_languages_for_thread_api(u"en-US\0\0"s));
  EXPECT_EQ(winapi::get_thread_preferred_ui_languages(), u"en-US\0\0"s);
  EXPECT_TRUE(log.contains(u"Set 1 language(s) by SetThreadPreferredUILanguages  for 'en-US\0\0'."s));
}

TEST_F(message_language_test, an_unknown_locale_is_refused_by_the_apis) {
  test_support::log_capture log;
  const std::u16string before = winapi::get_process_preferred_ui_languages();
  EXPECT_FALSE(localization::set_product_languages_for_process_api(u"xx-XX\0en-US\0\0"s));
  EXPECT_EQ(winapi::get_process_preferred_ui_languages(), before);
  EXPECT_TRUE(log.contains_prefix(u"SetProcessPreferredUILanguages failed : The parameter is incorrect."));
  EXPECT_FALSE(localization::set_product_languages_for_thread_api(u"xx-XX\0\0"s));
  EXPECT_TRUE(log.contains_prefix(u"SetThreadPreferredUILanguages failed : The parameter is incorrect."));
}

TEST_F(message_language_test, get_locale_names_an_lcid_or_warns) {
  EXPECT_EQ(localization::get_locale(1049), u"ru-RU");
  test_support::log_capture log;
  EXPECT_EQ(localization::get_locale(0x7777), u"");
  EXPECT_TRUE(log.contains_prefix(u"LCIDToLocaleName failed : The parameter is incorrect."));
}

// The library is loaded once per process, so each case runs in a child of its own.
struct language_id_case {
  std::u16string product_locale;  // empty: no ProductLocale value
  std::vector<std::string> library_locales;
  uint16_t id;
  std::u16string process_languages;
};

void PrintTo(const language_id_case& c, std::ostream* out) {
  *out << "ProductLocale '" << common::utf16_to_utf8(c.product_locale) << "', library languages "
       << testing::PrintToString(c.library_locales);
}

class language_id_test : public message_language_test, public ::testing::WithParamInterface<language_id_case> {};

TEST_P(language_id_test, falls_back_from_the_product_language_to_en_us_to_the_user_default) {
  const language_id_case& c = GetParam();
  if (!c.product_locale.empty()) set_product_locale(c.product_locale);
  install_library(c.library_locales);
  EXPECT_EXIT(
      {
        const bool installed = localization::set_product_languages_for_process_for_application();
        const uint16_t id = localization::get_product_language_id();
        const bool languages_match = winapi::get_process_preferred_ui_languages() == c.process_languages;
        if (installed && id == c.id && languages_match) std::exit(0);
        std::fprintf(stderr, "installed %d, id %u, languages match %d\n", installed, id, languages_match);
        std::exit(1);
      },
      testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(chains, language_id_test,
                         testing::Values(language_id_case{u"ru-RU", {"ru-RU", "en-US"}, 1049, u"ru-RU\0en-US\0\0"s},
                                         language_id_case{u"ru-RU", {"en-US"}, 1033, u"ru-RU\0en-US\0\0"s},
                                         language_id_case{u"ru-RU", {"de-DE"}, 1024, u"ru-RU\0en-US\0\0"s},
                                         language_id_case{u"ru", {"ru-RU", "en-US"}, 1033, u"en-US\0\0"s},
                                         language_id_case{u"de-DE", {"de-DE", "en-US"}, 1031, u"de-DE\0en-US\0\0"s},
                                         language_id_case{u"", {"ru-RU", "en-US"}, 1033, u"en-US\0\0"s}));

TEST_F(message_language_test, an_unknown_five_character_locale_fails_the_process_languages_and_the_id_falls_back) {
  set_product_locale(u"xx-XX");
  install_library({"en-US"});
  EXPECT_EXIT(
      {
        test_support::log_capture log;
        localization::set_product_languages_for_process_for_application();
        const bool warned = log.contains_prefix(u"set_languages_for_process failed : ") &&
                            log.contains_prefix(u"Get suite_product_languages faled, error : ");
        std::exit(warned && localization::get_product_language_id() == 1033 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
