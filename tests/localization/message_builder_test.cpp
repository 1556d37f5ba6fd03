// Building messages: the languages tried, the fault of one language, the insertion
// check, the source kinds and the trimming of message texts.
#include "localization/message_builder.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "library_files.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using localization::arg_as_strings;
using localization::get_message_text_from_module;
using localization::details::languages_to_try;

TEST(languages_to_try, requested_then_product_then_english_each_once) {
  struct row {
    uint16_t requested, product;
    std::vector<uint16_t> expected;
  };
  const row rows[] = {
      {0, 1049, {1049, 1033}},    {0, 1033, {1033}},          {0, 0, {1033}},
      {1049, 1033, {1049, 1033}}, {1049, 1049, {1049, 1033}}, {1058, 1049, {1058, 1049, 1033}},
  };
  for (const auto& r : rows)
    EXPECT_EQ(languages_to_try(r.requested, r.product), r.expected) << r.requested << "/" << r.product;
}

// A library with Russian and English texts; the product language is set per test and
// cleared afterwards.
class message_builder : public testing::Test {
 protected:
  void SetUp() override {
    const auto path = directory_.path() / "library.mo";
    using test_support::catalog_message;
    test_support::compile_catalog(
        test_support::catalog_header() + catalog_message("en-US", 0x42000001, "test") +
            catalog_message("ru-RU", 0x42000001, "тест") + catalog_message("en-US", 0x43000001, "en %1") +
            catalog_message("ru-RU", 0x43000001, "ru %1 %2") + catalog_message("en-US", 0x43000002, "only English") +
            catalog_message("en-US", 0x43000003, "status %1") + catalog_message("ru-RU", 0x43000003, "статус %1") +
            catalog_message("en-US", 0x43000004, "ends with a line break%n \\t"),
        path);
    library_ = std::make_unique<test_support::loaded_library>(path);
    ASSERT_NE(library_->get(), nullptr);
  }
  void TearDown() override { localization::set_product_language_id(0); }

  std::u16string text(uint32_t id, const arg_as_strings& args = {}) const {
    return get_message_text_from_module(id, library_->get(), args);
  }

  test_support::temp_directory directory_;
  std::unique_ptr<test_support::loaded_library> library_;
};

TEST_F(message_builder, the_product_language_comes_first_and_english_fills_gaps) {
  localization::set_product_language_id(1049);
  EXPECT_EQ(text(0x43000003, {u"abc"}), u"статус abc");
  EXPECT_EQ(text(0x43000002), u"only English");
  localization::set_product_language_id(0);
  EXPECT_EQ(text(0x43000003, {u"abc"}), u"status abc");
}

TEST_F(message_builder, a_language_whose_text_reads_past_the_insertions_is_skipped_with_a_warning) {
  localization::set_product_language_id(1049);
  test_support::log_capture capture;
  EXPECT_EQ(text(0x43000001, {u"one"}), u"en one");
  EXPECT_TRUE(capture.contains(
      u" SEH-EXCEPTION FormatMessageW failed [message_id: 0x43000001] [language_id: 0x00000419] [arg_1: one]"));
}

TEST_F(message_builder, no_language_yielding_a_text_names_the_languages_tried) {
  localization::set_product_language_id(1049);
  test_support::log_capture capture;
  EXPECT_THROW(text(0x4300FFFF), std::runtime_error);
  EXPECT_TRUE(capture.contains_prefix(
      u"EXCEPTION Unable to resolve the string [message_id: 0x4300FFFF] [languages_ids: 0x00000419, 0x00000409]; "
      u"FormatMessageW failed; "));
}

TEST_F(message_builder, placeholders_need_insertions_unless_an_insertion_brought_them) {
  EXPECT_EQ(text(0x43000003, {u"abc"}), u"status abc");
  EXPECT_EQ(text(0x43000003, {u"%2"}), u"status %2");
  test_support::log_capture capture;
  EXPECT_THROW(text(0x43000003), localization::localization_exception);
  EXPECT_TRUE(capture.contains_prefix(
      u"EXCEPTION Insufficiently arg_as_strings for build message. Message id: 0x43000003 Language id: 1033; "
      u"Insertions count mismatch; class localization::localization_exception; "));
}

TEST_F(message_builder, trailing_white_space_is_removed_from_message_texts) {
  EXPECT_EQ(text(0x43000004), u"ends with a line break");
  EXPECT_EQ(localization::get_message_text(5, {}), u"Access is denied. Code: 5 (0x5)");
}

TEST_F(message_builder, system_ids_come_from_the_system_in_english_whatever_the_product_language) {
  localization::set_product_language_id(1049);
  EXPECT_EQ(localization::get_message_text(2, {}), u"The system cannot find the file specified. Code: 2 (0x2)");
  EXPECT_EQ(text(2), u"The system cannot find the file specified. Code: 2 (0x2)");
}

TEST_F(message_builder, unknown_source_kinds_and_missing_libraries_are_rejected) {
  using namespace localization::details;
  EXPECT_THROW(message_text(from_string, library_->get(), 0x43000002, {}), std::invalid_argument);
  try {
    message_text(from_library, nullptr, 0x43000002, {});
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Not found resource library");
  }
  EXPECT_EQ(message_text(from_library, library_->get(), 0x43000002, {}), u"only English");
}

}  // namespace
