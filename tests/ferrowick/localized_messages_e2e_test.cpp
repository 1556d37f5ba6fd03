// The worker with the localization library installed: the product language picks the
// language of the error texts on standard error and in the FATAL line, and en-US fills
// in where a language lacks a text.
#include <gtest/gtest.h>

#include <string>

#include "common/registry_helpers.h"
#include "common/registry_test_store.h"
#include "common/text.h"
#include "update_e2e_fixture.h"

namespace {

using winapi::hkey_local_machine;

class localized_messages_e2e : public update_e2e_fixture {
 protected:
  localized_messages_e2e() {
    const auto install_dir = temp_.path() / "install";
    std::filesystem::create_directory(install_dir);
    std::filesystem::copy_file(std::filesystem::path(FERROWICK_BINARY_DIR) / "messages" / "ferrowick-messages.mo",
                               install_dir / "texts.mo");
    const std::u16string component = u"SOFTWARE\\Kestrane\\Marvenholt\\Client\\Calvessa";
    registry_helpers::set_string_to_registry(hkey_local_machine, component, u"InstallDir",
                                             common::utf8_to_utf16(install_dir.string()));
    registry_helpers::set_string_to_registry(hkey_local_machine, component, u"TextResources", u"texts.mo");
    environment_["FERROWICK_REGISTRY_ROOT"] = store_.root().string();
  }

  void set_product_locale(const std::u16string& locale) const {
    registry_helpers::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\Kestrane\\Marvenholt", u"ProductLocale",
                                             locale);
  }

  // The FATAL line of the developer log, empty when there is none.
  std::string fatal_line() const {
    const std::string log = log_text();
    const size_t fatal = log.find("FATAL");
    if (fatal == std::string::npos) return {};
    const size_t begin = log.rfind('\n', fatal) + 1;
    return log.substr(begin, log.find('\n', fatal) - begin);
  }

  test_support::registry_test_store store_;
};

struct localized_case {
  const char* name;
  const char16_t* locale;
  const char* package;  // in info2.txt
  const char* product;
  int code;
  const char* text;  // the message the service and the log get
};

const localized_case cases[] = {
    {"russian_text", u"ru-RU", "base.upd", "firewall", 5651, "Пакет обновления предназначен для другого компонента."},
    {"english_where_russian_lacks_the_text", u"ru-RU", "../base.upd", "antivirus", 5031,
     "Relative paths are not allowed."},
    {"english_for_a_locale_of_two_letters", u"ru", "base.upd", "firewall", 5651,
     "Update package was designed for other component."},
    {"english_for_english", u"en-US", "base.upd", "firewall", 5651, "Update package was designed for other component."},
};

TEST_F(localized_messages_e2e, the_product_language_picks_the_error_text) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    set_product_locale(c.locale);
    write_info2(c.product, c.package);
    write_source_package("base.upd");
    const auto result = run(update_parameters());
    EXPECT_EQ(result.exit_code, 255);
    // The library's texts lose their trailing line break as every looked-up text does.
    EXPECT_EQ(result.stderr_text, "application_exception [code: " + std::to_string(c.code) + "]\r\n" + c.text);
    const std::string fatal = fatal_line();
    EXPECT_NE(fatal.find(std::string("[application: ") + std::to_string(c.code) + "] " + c.text), std::string::npos)
        << fatal;
    std::filesystem::remove(paths_.logs / "ferrowick.log");
  }
}

TEST_F(localized_messages_e2e, a_failed_system_call_is_described_in_russian_with_the_system_text) {
  set_product_locale(u"ru-RU");
  write_info2("antivirus", "base.upd");
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_TRUE(result.stderr_text.starts_with("application_exception [code: 2]\r\nФункция '")) << result.stderr_text;
  EXPECT_TRUE(result.stderr_text.ends_with(
      "' завершилась с ошибкой: 'The system cannot find the file specified. Code: 2 (0x2)'"))
      << result.stderr_text;
}

TEST_F(localized_messages_e2e, a_damaged_library_leaves_the_built_in_english_texts) {
  set_product_locale(u"ru-RU");
  const auto library = temp_.path() / "install" / "texts.mo";
  std::filesystem::resize_file(library, std::filesystem::file_size(library) / 2);
  write_info2("firewall", "base.upd");
  write_source_package("base.upd");
  const auto result = run(update_parameters());
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stderr_text,
            "application_exception [code: 5651]\r\nUpdate package was designed for other component.\r\n");
  const std::string log = log_text();
  EXPECT_NE(log.find("LoadLibraryExW failed for '" + library.string() +
                     "' : An attempt was made to load a program with an incorrect format. Code: 11 (0xB)"),
            std::string::npos)
      << log;
}

}  // namespace
