#include "common/winapi/process/command_line_to_argv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/security.h"
#include "common/text.h"

namespace {

using winapi::command_line_to_argv;

// How CommandLineToArgvW splits: one table for the Linux re-implementation and for the
// Windows call itself.
struct split_case {
  const char* rule;
  std::u16string_view line;
  std::vector<std::u16string> tokens;
};

const split_case split_cases[] = {
    {"blanks and tabs separate", u"prog a\tb   c ", {u"prog", u"a", u"b", u"c"}},
    {"only blanks and tabs separate",
     u"exe arg=1 three\tfour\rfour\nfour \v",
     {u"exe", u"arg=1", u"three", u"four\rfour\nfour", u"\v"}},
    {"quotes group blanks", uR"(prog "a b" c"d e"f)", {u"prog", u"a b", u"cd ef"}},
    {"quotes around nothing", uR"(prog "" x "")", {u"prog", u"", u"x", u""}},
    {"an open quote runs to the end", uR"(prog "open to the end)", {u"prog", u"open to the end"}},
    {"backslashes without a quote are literal", uR"(prog C:\dir\\file \\)", {u"prog", uR"(C:\dir\\file)", uR"(\\)"}},
    {"2n backslashes and a quote: n backslashes, the quote groups", uR"(prog a\\"b c")", {u"prog", uR"(a\b c)"}},
    {"2n backslashes and a quote, n = 2", uR"(prog \\\\" x")", {u"prog", uR"(\\ x)"}},
    {"2n+1 backslashes and a quote: n backslashes and a quote",
     uR"(prog a\"b a\\\"b)",
     {u"prog", uR"(a"b)", uR"(a\"b)"}},
    {"a quoted value ending in a backslash keeps its quote", uR"(prog "C:\d\" next)", {u"prog", uR"(C:\d" next)"}},
    {"a doubled final backslash closes the quote", uR"(prog "C:\d\\" next)", {u"prog", uR"(C:\d\)", u"next"}},
    {"two quotes inside quotes: a quote that ends the group", uR"(prog "a""b c")", {u"prog", uR"(a"b)", u"c"}},
    {"two quotes inside quotes at a token's end", uR"(exe "two"" next)", {u"exe", uR"(two")", u"next"}},
    {"two quotes inside quotes, twice", uR"(exe "a ""b"" c")", {u"exe", uR"(a "b)", u"c"}},
    {"four quotes", uR"(prog """")", {u"prog", uR"(")"}},
    {"three quotes around a letter", uR"(prog """a""")", {u"prog", uR"("a")"}},
    {"two quotes outside quotes: an empty group", uR"(prog a""b)", {u"prog", u"ab"}},
    {"three quotes outside quotes", uR"(exe three"""quotes next)", {u"exe", uR"(three"quotes)", u"next"}},
    {"four quotes outside quotes", uR"(exe four"""" quotes" next)", {u"exe", uR"(four" quotes)", u"next"}},
    {"five quotes outside quotes", uR"(exe five"""""quotes next)", {u"exe", uR"(five"quotes)", u"next"}},
    {"six quotes outside quotes", uR"(exe six""""""quotes next)", {u"exe", uR"(six""quotes)", u"next"}},
    {"three quotes inside quotes", uR"(exe "three""" quotes" next)", {u"exe", uR"(three" quotes)", u"next"}},
    {"four quotes inside quotes", uR"(exe "four""""quotes next)", {u"exe", uR"(four"quotes)", u"next"}},
    {"five quotes inside quotes", uR"(exe "five"""""quotes next)", {u"exe", uR"(five""quotes)", u"next"}},
    {"even backslashes before a run of quotes",
     uR"(exe "the crazy \\"""\\" quotes)",
     {u"exe", uR"(the crazy \"\)", u"quotes"}},
    {"program name: quoted, without escapes", uR"("C:\Program Files\x.exe" a)", {uR"(C:\Program Files\x.exe)", u"a"}},
    {"program name: text after its quote is the next token", uR"("a"b c)", {u"a", u"b", u"c"}},
    {"program name: two quotes after it", uR"("two"" arg1 )", {u"two", u" arg1 "}},
    {"program name: three quotes after it", uR"("three""" arg2)", {u"three", u"", u"arg2"}},
    {"program name: four quotes after it", uR"("four""""arg1)", {u"four", uR"("arg1)"}},
    {"program name: unquoted, to the first blank", uR"(a\"b c)", {uR"(a\"b)", u"c"}},
    {"program name: an open quote runs to the end", uR"("unterminated name)", {u"unterminated name"}},
    {"program name: empty quotes", uR"("" a)", {u"", u"a"}},
    {"a leading blank: an empty program name", u" a b", {u"", u"a", u"b"}},
    {"blanks only: one empty token", u"   ", {u""}},
    {"the line ends at its first NUL", std::u16string_view(u"a b\0c d", 7), {u"a", u"b"}},
};

TEST(command_line_to_argv, splits_as_windows_does) {
  for (const split_case& c : split_cases) {
    EXPECT_EQ(command_line_to_argv(c.line), c.tokens) << c.rule << ": " << common::utf16_to_utf8(c.line);
  }
}

TEST(command_line_to_argv, an_empty_line_gives_the_program_path) {
  EXPECT_EQ(command_line_to_argv(u""), std::vector<std::u16string>{security::get_module_file_name()});
  EXPECT_EQ(command_line_to_argv(std::u16string_view(u"\0a", 2)),
            std::vector<std::u16string>{security::get_module_file_name()});
}

}  // namespace
