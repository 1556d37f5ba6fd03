// The localization library of the Windows build under wine: ferrowick-reg.exe writes the
// installer's values into the prefix's registry, and the product language picks the
// language of the error texts on standard error and in the FATAL line, as on Linux.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/update_source.h"
#include "wine_e2e_fixture.h"

namespace {

constexpr char component_key[] = R"(HKLM\SOFTWARE\Kestrane\Marvenholt\Client\Calvessa)";
constexpr char suite_key[] = R"(HKLM\SOFTWARE\Kestrane\Marvenholt)";

void reg(const std::vector<std::string>& arguments) {
  const wine_e2e::wine_programs& programs = wine_e2e::wine_programs::get();
  const test_support::child_result result = programs.run(programs.program("src/tools/ferrowick-reg.exe"), arguments);
  ASSERT_EQ(result.exit_code, 0) << result.stderr_text;
}

class localized_messages_wine : public wine_e2e_fixture {
 protected:
  localized_messages_wine() {
    std::filesystem::create_directories(install_dir());
    std::filesystem::create_directories(source());
    std::filesystem::copy_file(wine_e2e::wine_programs::get().program("messages/ferrowick-messages.dll"), library());
    reg({"set", component_key, "InstallDir", "--string", wine_e2e::windows_path(install_dir())});
    reg({"set", component_key, "TextResources", "--string", library().filename().string()});
  }
  // The prefix is shared: the next program finds no product installed.
  ~localized_messages_wine() override {
    reg({"delete", component_key});
    reg({"delete", suite_key, "ProductLocale"});
  }

  std::filesystem::path install_dir() const { return root() / "install"; }
  std::filesystem::path library() const { return install_dir() / "texts.dll"; }
  std::filesystem::path source() const { return root() / "source"; }

  // A source whose description names product and package, and the package beside it.
  void write_source(const std::string& product, const std::string& package) const {
    test_support::write_text(source() / "info2.txt", product + "\r\n" + wine_e2e::release + "\r\n" + package + "\r\n");
    test_support::write_package(source() / "base.upd", {{u"bases.dat", "bases"}},
                                test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys"));
  }

  std::string developer_log() const { return test_support::read_text(logs() / "ferrowick.log"); }

  std::string fatal_line() const {
    const std::string log = developer_log();
    const size_t fatal = log.find("FATAL");
    if (fatal == std::string::npos) return {};
    const size_t begin = log.rfind('\n', fatal) + 1;
    return log.substr(begin, log.find('\n', fatal) - begin);
  }
};

struct localized_case {
  const char* name;
  const char* locale;
  const char* product;  // in info2.txt
  const char* package;
  int code;
  const char* text;  // what the service and the log get
};

const localized_case cases[] = {
    {"russian_text", "ru-RU", "firewall", "base.upd", 5651, "Пакет обновления предназначен для другого компонента."},
    {"english_where_russian_lacks_the_text", "ru-RU", "antivirus", "../base.upd", 5031,
     "Relative paths are not allowed."},
    {"english_for_a_locale_of_two_letters", "ru", "firewall", "base.upd", 5651,
     "Update package was designed for other component."},
    {"english_for_english", "en-US", "firewall", "base.upd", 5651, "Update package was designed for other component."},
};

TEST_F(localized_messages_wine, the_product_language_in_the_registry_picks_the_error_text) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reg({"set", suite_key, "ProductLocale", "--string", c.locale});
    write_source(c.product, c.package);
    const wine_e2e::windows_result result = run_task(directory_task(source()));
    EXPECT_EQ(result.exit_code, -1);
    // The library's texts lose their trailing line break as every looked-up text does.
    EXPECT_EQ(result.stderr_text, "application_exception [code: " + std::to_string(c.code) + "]\r\n" + c.text);
    EXPECT_NE(fatal_line().find("[application: " + std::to_string(c.code) + "] " + c.text), std::string::npos)
        << developer_log();
    std::filesystem::remove(logs() / "ferrowick.log");
  }
}

TEST_F(localized_messages_wine, a_damaged_library_leaves_the_built_in_english_texts_and_a_warning) {
  reg({"set", suite_key, "ProductLocale", "--string", "ru-RU"});
  std::filesystem::resize_file(library(), std::filesystem::file_size(library()) / 2);
  write_source("firewall", "base.upd");
  const wine_e2e::windows_result result = run_task(directory_task(source()));
  EXPECT_EQ(result.exit_code, -1);
  EXPECT_EQ(result.stderr_text,
            "application_exception [code: 5651]\r\nUpdate package was designed for other component.\r\n");
  // Mapped as an image, the truncated file is no library (193, ERROR_BAD_EXE_FORMAT).
  const std::string log = developer_log();
  const std::string warning = "LoadLibraryExW failed for '" + wine_e2e::windows_path(library()) + "' : Code: 193(0xc1)";
  EXPECT_NE(log.find(warning), std::string::npos) << warning << "\n" << log;
}

}  // namespace
