// The FormatMessageW stand-in: its sources, its languages and the fault of a message
// that reads more insertions than it was given.
#include "common/winapi/language/format_message.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/text.h"
#include "common/winapi/process/last_error.h"
#include "library_files.h"
#include "support/temp_directory.h"

namespace {

using namespace winapi;

constexpr uint32_t allocate = format_message_allocate_buffer;
constexpr uint32_t ignore = format_message_ignore_inserts;
constexpr uint32_t from_module = format_message_from_hmodule;
constexpr uint32_t from_system = format_message_from_system;
constexpr uint32_t with_array = format_message_argument_array;

class format_message_test : public testing::Test {
 protected:
  void SetUp() override {
    const auto path = directory_.path() / "library.mo";
    test_support::compile_catalog(test_support::catalog_header() +
                                      test_support::catalog_message("en-US", 0x43000001, "en %1 and %2") +
                                      test_support::catalog_message("ru-RU", 0x43000001, "ru %1 и %2") +
                                      test_support::catalog_message("en-US", 5, "library text for 5"),
                                  path);
    library_ = std::make_unique<test_support::loaded_library>(path);
    ASSERT_NE(library_->get(), nullptr);
  }

  // The text, or "error N" when the call failed.
  std::string call(uint32_t flags, const void* source, uint32_t id, uint32_t language,
                   std::vector<const char16_t*> arguments = {}) const {
    std::u16string text;
    set_last_error(0);
    const uint32_t length = format_message(flags, source, id, language, &text, arguments);
    if (length == 0) return "error " + std::to_string(get_last_error());
    EXPECT_EQ(length, text.size());
    return common::utf16_to_utf8(text);
  }

  test_support::temp_directory directory_;
  std::unique_ptr<test_support::loaded_library> library_;
};

TEST_F(format_message_test, sources_and_languages) {
  const void* module = library_->get();
  const void* no_source = nullptr;
  struct row {
    uint32_t flags;
    const void* source;
    uint32_t id;
    uint32_t language;
    std::string expected;
  };
  const row rows[] = {
      // The system table is English and ends its texts with a line break.
      {from_system | allocate | ignore, no_source, 5, 1033, "Access is denied. Code: 5 (0x5)\r\n"},
      {from_system | allocate | ignore, no_source, 5, lang_neutral, "Access is denied. Code: 5 (0x5)\r\n"},
      {from_system | allocate | ignore, no_source, 5, 1049, "error 1815"},
      {from_system | allocate | ignore, no_source, 7, 1033, "error 317"},
      {from_module | allocate | ignore, module, 0x43000001, 1049, "ru %1 и %2"},
      {from_module | allocate | ignore, module, 0x43000001, 1033, "en %1 and %2"},
      {from_module | allocate | ignore, module, 0x43000001, 1058, "error 1815"},
      {from_module | allocate | ignore, module, 0x43000001, 0x7FFF, "error 1815"},
      {from_module | allocate | ignore, module, 0x43000002, 1033, "error 317"},
      {from_module | allocate | ignore, no_source, 0x43000001, 1033, "error 1815"},
      // The module first, then the system.
      {from_module | from_system | allocate | ignore, module, 5, 1033, "library text for 5"},
      {from_module | from_system | allocate | ignore, module, 6, 1033, "The handle is invalid. Code: 6 (0x6)\r\n"},
      // Flags that name no source, mix a string with another source, or allocate nothing.
      {allocate | ignore, module, 5, 1033, "error 87"},
      {format_message_from_string | from_system | allocate, u"text", 5, 1033, "error 87"},
      {from_system | ignore, no_source, 5, 1033, "error 87"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(call(r.flags, r.source, r.id, r.language), r.expected)
        << std::hex << r.flags << " " << r.id << " " << r.language;
  }
}

TEST_F(format_message_test, insertions_are_strings_and_a_read_past_them_faults) {
  EXPECT_EQ(call(from_module | allocate | with_array, library_->get(), 0x43000001, 1049, {u"a", u"b"}), "ru a и b");
  EXPECT_EQ(call(format_message_from_string | allocate | with_array, u"%2-%1!s!-%%-%n", 0, 1049, {u"x", u"%1"}),
            "%1-x-%-\r\n");
  EXPECT_THROW(call(from_module | allocate | with_array, library_->get(), 0x43000001, 1033, {u"only one"}),
               structured_exception);
  // A format after an insertion that is never closed makes the template invalid.
  EXPECT_EQ(call(format_message_from_string | allocate | with_array, u"%1! left open", 0, 1033, {u"x"}), "error 87");
}

}  // namespace
