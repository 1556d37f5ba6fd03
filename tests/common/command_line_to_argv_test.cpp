#include "common/winapi/command_line_to_argv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/security.h"

namespace {

using testing::ElementsAre;
using winapi::command_line_to_argv;

TEST(command_line_to_argv, blanks_and_tabs_separate_tokens) {
  EXPECT_THAT(command_line_to_argv(u"prog a\tb   c "), ElementsAre(u"prog", u"a", u"b", u"c"));
}

TEST(command_line_to_argv, quotes_group_blanks_and_may_stop_mid_token) {
  EXPECT_THAT(command_line_to_argv(u"prog \"a b\" c\"d e\"f"), ElementsAre(u"prog", u"a b", u"cd ef"));
  EXPECT_THAT(command_line_to_argv(u"prog \"\" x \"\""), ElementsAre(u"prog", u"", u"x", u""));
  EXPECT_THAT(command_line_to_argv(u"prog \"open to the end"), ElementsAre(u"prog", u"open to the end"));
}

TEST(command_line_to_argv, backslashes_are_literal_unless_a_quote_follows) {
  EXPECT_THAT(command_line_to_argv(u"prog C:\\dir\\\\file \\\\"), ElementsAre(u"prog", u"C:\\dir\\\\file", u"\\\\"));
}

TEST(command_line_to_argv, even_backslashes_before_a_quote_are_halved_and_the_quote_groups) {
  // a\\"b c" -> a\b c
  EXPECT_THAT(command_line_to_argv(u"prog a\\\\\"b c\""), ElementsAre(u"prog", u"a\\b c"));
  // \\\\" x" -> \\ x
  EXPECT_THAT(command_line_to_argv(u"prog \\\\\\\\\" x\""), ElementsAre(u"prog", u"\\\\ x"));
}

TEST(command_line_to_argv, odd_backslashes_before_a_quote_give_a_literal_quote) {
  // a\"b -> a"b ; a\\\"b -> a\"b
  EXPECT_THAT(command_line_to_argv(u"prog a\\\"b a\\\\\\\"b"), ElementsAre(u"prog", u"a\"b", u"a\\\"b"));
}

TEST(command_line_to_argv, a_quoted_value_ending_in_a_backslash_loses_its_closing_quote) {
  EXPECT_THAT(command_line_to_argv(u"prog \"C:\\d\\\" next"), ElementsAre(u"prog", u"C:\\d\" next"));
  EXPECT_THAT(command_line_to_argv(u"prog \"C:\\d\\\\\" next"), ElementsAre(u"prog", u"C:\\d\\", u"next"));
}

TEST(command_line_to_argv, doubled_quote_inside_quotes_is_a_literal_quote_that_ends_the_group) {
  EXPECT_THAT(command_line_to_argv(uR"(prog "a""b c")"), ElementsAre(u"prog", u"a\"b", u"c"));
  EXPECT_THAT(command_line_to_argv(uR"(exe "two"" next)"), ElementsAre(u"exe", u"two\"", u"next"));
  EXPECT_THAT(command_line_to_argv(uR"(exe "a ""b"" c")"), ElementsAre(u"exe", u"a \"b", u"c"));
  EXPECT_THAT(command_line_to_argv(uR"(prog """")"), ElementsAre(u"prog", u"\""));
  EXPECT_THAT(command_line_to_argv(uR"(prog """a""")"), ElementsAre(u"prog", u"\"a\""));
  // Outside quotes the pair opens and closes an empty group.
  EXPECT_THAT(command_line_to_argv(uR"(prog a""b)"), ElementsAre(u"prog", u"ab"));
}

// Runs of quotes count modulo three together with the quote state.
TEST(command_line_to_argv, runs_of_quotes_outside_a_quoted_part) {
  EXPECT_THAT(command_line_to_argv(uR"(exe three"""quotes next)"), ElementsAre(u"exe", u"three\"quotes", u"next"));
  EXPECT_THAT(command_line_to_argv(uR"(exe four"""" quotes" next)"), ElementsAre(u"exe", u"four\" quotes", u"next"));
  EXPECT_THAT(command_line_to_argv(uR"(exe five"""""quotes next)"), ElementsAre(u"exe", u"five\"quotes", u"next"));
  EXPECT_THAT(command_line_to_argv(uR"(exe six""""""quotes next)"), ElementsAre(u"exe", u"six\"\"quotes", u"next"));
}

TEST(command_line_to_argv, runs_of_quotes_inside_a_quoted_part) {
  EXPECT_THAT(command_line_to_argv(uR"(exe "three""" quotes" next)"), ElementsAre(u"exe", u"three\" quotes", u"next"));
  EXPECT_THAT(command_line_to_argv(uR"(exe "four""""quotes next)"), ElementsAre(u"exe", u"four\"quotes", u"next"));
  EXPECT_THAT(command_line_to_argv(uR"(exe "five"""""quotes next)"), ElementsAre(u"exe", u"five\"\"quotes", u"next"));
  // Even backslashes before a run are halved and leave its first quote unescaped.
  EXPECT_THAT(command_line_to_argv(uR"(exe "the crazy \\"""\\" quotes)"),
              ElementsAre(u"exe", u"the crazy \\\"\\", u"quotes"));
}

TEST(command_line_to_argv, quotes_right_after_a_quoted_program_name_begin_the_next_token) {
  EXPECT_THAT(command_line_to_argv(uR"("two"" arg1 )"), ElementsAre(u"two", u" arg1 "));
  EXPECT_THAT(command_line_to_argv(uR"("three""" arg2)"), ElementsAre(u"three", u"", u"arg2"));
  EXPECT_THAT(command_line_to_argv(uR"("four""""arg1)"), ElementsAre(u"four", u"\"arg1"));
}

TEST(command_line_to_argv, only_blanks_and_tabs_separate_not_other_white_space) {
  EXPECT_THAT(command_line_to_argv(u"exe arg=1 three\tfour\rfour\nfour \v"),
              ElementsAre(u"exe", u"arg=1", u"three", u"four\rfour\nfour", u"\v"));
}

TEST(command_line_to_argv, program_name_ends_at_the_next_quote_or_blank_without_escapes) {
  EXPECT_THAT(command_line_to_argv(u"\"C:\\Program Files\\x.exe\" a"), ElementsAre(u"C:\\Program Files\\x.exe", u"a"));
  EXPECT_THAT(command_line_to_argv(u"\"a\"b c"), ElementsAre(u"a", u"b", u"c"));
  EXPECT_THAT(command_line_to_argv(u"a\\\"b c"), ElementsAre(u"a\\\"b", u"c"));
  EXPECT_THAT(command_line_to_argv(u"\"unterminated name"), ElementsAre(u"unterminated name"));
  EXPECT_THAT(command_line_to_argv(u"\"\" a"), ElementsAre(u"", u"a"));
}

TEST(command_line_to_argv, leading_blank_gives_an_empty_program_name) {
  EXPECT_THAT(command_line_to_argv(u" a b"), ElementsAre(u"", u"a", u"b"));
  EXPECT_THAT(command_line_to_argv(u"   "), ElementsAre(u""));
}

TEST(command_line_to_argv, the_line_ends_at_its_first_nul) {
  EXPECT_THAT(command_line_to_argv(std::u16string_view(u"a b\0c d", 7)), ElementsAre(u"a", u"b"));
}

TEST(command_line_to_argv, an_empty_line_gives_the_program_path) {
  EXPECT_THAT(command_line_to_argv(u""), ElementsAre(security::get_module_file_name()));
  EXPECT_THAT(command_line_to_argv(std::u16string_view(u"\0a", 2)), ElementsAre(security::get_module_file_name()));
}

}  // namespace
