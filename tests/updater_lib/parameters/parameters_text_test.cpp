#include "updater_lib/details/parameters/parameters_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/parameter_text.h"
#include "updater_lib/parameters/parameters_test_helpers.h"

namespace {

using parameters_test::expect_code;
using parameters_test::terminated_bytes;
using testing::ElementsAre;

TEST(parameters_split, key_value_tokens_with_quoted_values) {
  EXPECT_THAT(updater::split_parameter_text(terminated_bytes(u"configs_path \"C:/Program Files/x\" k \"\"")),
              ElementsAre(u"configs_path", u"C:/Program Files/x", u"k", u""));
}

TEST(parameters_split, values_written_by_the_service_writer_read_back_unchanged) {
  const std::vector<std::u16string> tokens = {u"quote",
                                              u"a\"b",
                                              u"trailing_backslash",
                                              u"C:\\d\\",
                                              u"doubled_quotes",
                                              u"\"\"",
                                              u"backslash_quote",
                                              u"x\\\"y",
                                              u"empty",
                                              u"",
                                              u"tab",
                                              u"a\tb c",
                                              u"quoted_whole",
                                              u"\"in quotes\""};
  const std::string bytes = test_support::to_utf16le(test_support::join_tokens(tokens));
  std::vector<uint8_t> text(bytes.begin(), bytes.end());
  text.insert(text.end(), {0, 0});
  EXPECT_EQ(updater::split_parameter_text(text), tokens);
}

TEST(parameters_split, non_ascii_text_survives_as_utf16) {
  EXPECT_THAT(updater::split_parameter_text(terminated_bytes(u"k \u0417\u0430\u0434\u0430\u0447\u0430 e \U0001F600")),
              ElementsAre(u"k", u"\u0417\u0430\u0434\u0430\u0447\u0430", u"e", u"\U0001F600"));
}

TEST(parameters_split, no_bytes_fails_with_5281) {
  expect_code([] { updater::split_parameter_text({}); }, 5281);
}

TEST(parameters_split, blanks_only_give_one_token_and_fail_with_5276) {
  expect_code([] { updater::split_parameter_text(terminated_bytes(u"    ")); }, 5276);
}

TEST(parameters_split, an_odd_token_count_fails_with_5276) {
  expect_code([] { updater::split_parameter_text(terminated_bytes(u"a b c")); }, 5276);
}

TEST(parameters_split, a_nul_ends_the_text) {
  EXPECT_THAT(updater::split_parameter_text(terminated_bytes(std::u16string(u"a b\0c", 5))), ElementsAre(u"a", u"b"));
}

TEST(parameters_split, an_odd_trailing_byte_is_never_paired_with_bytes_past_the_buffer) {
  // An odd count of text bytes plus the two terminator bytes: the stray byte pairs with
  // the first terminator byte, and the second terminator byte alone makes no unit.
  const std::vector<uint8_t> bytes = {'a', 0, ' ', 0, 'b', 0, 'c', 0, 0};
  EXPECT_THAT(updater::split_parameter_text(bytes), ElementsAre(u"a", u"bc"));
}

}  // namespace
