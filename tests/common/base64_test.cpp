#include "common/base64.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "error_lib/application_exception.h"
#include "support/log_capture.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

// The code and the symbol the trace line names.
void expect_invalid_symbol(std::string_view text, std::u16string_view symbol_text) {
  test_support::log_capture capture;
  try {
    base64::base64_decode(text);
    FAIL() << "no exception for " << text;
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 5449);
    EXPECT_STREQ(e.what(), "Invalid Base64 symbol.");
  }
  EXPECT_TRUE(capture.contains_substring(std::u16string(u"Invalid Base64 symbol: ") + std::u16string(symbol_text)));
}

TEST(base64_decode, full_quartets) {
  EXPECT_THAT(base64::base64_decode("QUJD"), ElementsAre(0x41, 0x42, 0x43));
  EXPECT_THAT(base64::base64_decode("+/+/"), ElementsAre(0xFB, 0xFF, 0xBF));
  EXPECT_THAT(base64::base64_decode(""), IsEmpty());
}

TEST(base64_decode, padding_is_optional_and_not_counted) {
  EXPECT_THAT(base64::base64_decode("QUI="), ElementsAre(0x41, 0x42));
  EXPECT_THAT(base64::base64_decode("QUI"), ElementsAre(0x41, 0x42));
  EXPECT_THAT(base64::base64_decode("QQ"), ElementsAre(0x41));
  EXPECT_THAT(base64::base64_decode("QQ="), ElementsAre(0x41));
  EXPECT_THAT(base64::base64_decode("QQ=="), ElementsAre(0x41));
  EXPECT_THAT(base64::base64_decode("QQ==="), ElementsAre(0x41));
}

TEST(base64_decode, a_single_leftover_character_gives_nothing) {
  EXPECT_THAT(base64::base64_decode("Q"), IsEmpty());
  EXPECT_THAT(base64::base64_decode("QUJDR"), ElementsAre(0x41, 0x42, 0x43));
}

TEST(base64_decode, everything_from_the_first_pad_on_is_ignored) {
  EXPECT_THAT(base64::base64_decode("QQ==QUJD"), ElementsAre(0x41));
  EXPECT_THAT(base64::base64_decode("QQ==not base64!"), ElementsAre(0x41));
  EXPECT_THAT(base64::base64_decode("=QUJD"), IsEmpty());
}

TEST(base64_decode, symbols_outside_the_alphabet_fail_with_5449) {
  expect_invalid_symbol("QU JD", u" ");
  expect_invalid_symbol("QUJD-", u"-");
  expect_invalid_symbol("QUJD_", u"_");
  expect_invalid_symbol("QUJD\n", u"\n");
  expect_invalid_symbol("QU\tJD", u"\t");
}

TEST(base64_decode_wstring, gives_the_same_bytes_as_the_narrow_form) {
  EXPECT_EQ(base64::base64_decode_wstring(u"QUJDRA=="), base64::base64_decode("QUJDRA=="));
  EXPECT_THAT(base64::base64_decode_wstring(u"AQID"), ElementsAre(1, 2, 3));
}

void expect_wide_invalid_symbol(std::u16string_view text, std::u16string_view symbol_text) {
  test_support::log_capture capture;
  try {
    base64::base64_decode_wstring(text);
    FAIL() << "no exception";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), 5449);
  }
  EXPECT_TRUE(capture.contains_substring(std::u16string(u"Invalid Base64 symbol: ") + std::u16string(symbol_text)));
}

TEST(base64_decode_wstring, a_non_ascii_character_fails_as_an_invalid_symbol) {
  expect_wide_invalid_symbol(u"QU\u00e9JD", u"0xC3");
  // An unpaired surrogate is a character like any other, not a conversion failure.
  expect_wide_invalid_symbol(std::u16string{u'Q', u'U', char16_t(0xD800), u'J'}, u"0xED");
}

TEST(base64_decode_wstring, characters_after_the_first_pad_are_ignored_even_unpaired_surrogates) {
  EXPECT_THAT(base64::base64_decode_wstring(std::u16string{u'Q', u'Q', u'=', char16_t(0xDC00)}), ElementsAre(0x41));
}

TEST(base64_encode, pads_the_last_group_to_four_symbols) {
  EXPECT_EQ(base64::base64_encode({}), "");
  EXPECT_EQ(base64::base64_encode({0x41}), "QQ==");
  EXPECT_EQ(base64::base64_encode({0x41, 0x42}), "QUI=");
  EXPECT_EQ(base64::base64_encode({0xFB, 0xFF, 0xBF}), "+/+/");
}

}  // namespace
