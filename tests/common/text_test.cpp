#include "common/text.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

struct text_pair {
  std::u16string utf16;
  std::string utf8;
};

// One character of each UTF-8 length, and a pair of surrogates that must become one
// 4-byte sequence rather than two 3-byte ones.
const text_pair pairs[] = {
    {u"", ""},
    {u"a/b", "a/b"},
    {u"\u00e9", "\xc3\xa9"},
    {u"\u4e2d", "\xe4\xb8\xad"},
    {u"\uffff", "\xef\xbf\xbf"},
    {u"\U00010000", "\xf0\x90\x80\x80"},
    {u"/tmp/configs \U0001F600/logger.xml", "/tmp/configs \xf0\x9f\x98\x80/logger.xml"},
    {u"\U0010FFFF", "\xf4\x8f\xbf\xbf"},
};

TEST(text_test, both_directions_agree_on_every_length_of_sequence) {
  for (const auto& pair : pairs) {
    EXPECT_EQ(common::utf16_to_utf8(pair.utf16), pair.utf8) << pair.utf8;
    EXPECT_EQ(common::utf8_to_utf16(pair.utf8), pair.utf16) << pair.utf8;
  }
}

TEST(text_test, unpaired_surrogates_do_not_convert_to_utf8) {
  for (const std::u16string text : {u"\xD83D", u"\xDE00",
                                    u"a\xD83D"
                                    u"b",
                                    u"\xDE00\xD83D"})
    EXPECT_THROW(common::utf16_to_utf8(text), std::range_error);
}

TEST(text_test, invalid_utf8_does_not_convert_and_the_lenient_form_keeps_the_bytes) {
  // A surrogate encoded on its own, an overlong slash, a cut sequence, a stray continuation
  // and a value above U+10FFFF.
  for (const std::string bytes : {"\xed\xa0\xbd", "\xc0\xaf", "\xf0\x9f\x98", "\x80", "\xf4\x90\x80\x80"}) {
    EXPECT_THROW(common::utf8_to_utf16(bytes), std::range_error) << bytes.size();
    EXPECT_EQ(common::utf8_to_utf16_lenient(bytes).size(), bytes.size());
  }
}

// Appending keeps what the text held; a lenient append that meets an invalid sequence
// takes all its bytes one unit each, not the part decoded before it.
TEST(text_test, appending_keeps_the_text_before) {
  std::u16string text = u"a ";
  common::append_utf8(text, "\xc3\xa9 ");
  common::append_utf8_lenient(text, "\xc3\xa9\xc3(");
  common::append_ascii(text, " 7");
  EXPECT_EQ(text, u"a \u00e9 \u00c3\u00a9\u00c3( 7");
  EXPECT_THROW(common::append_utf8(text, "\x80"), std::range_error);
}

TEST(text_test, hex_digits_are_lower_case_and_padded_only_up_to_the_minimum) {
  EXPECT_EQ(common::to_hex(0), "0");
  EXPECT_EQ(common::to_hex(0xb), "b");
  EXPECT_EQ(common::to_hex(0x5b4, 8), "000005b4");
  EXPECT_EQ(common::to_hex(0xabc, 2), "abc");
  EXPECT_EQ(common::to_hex(UINT64_MAX, 16), "ffffffffffffffff");
}

}  // namespace
