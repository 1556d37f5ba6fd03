#include "localization/message_formatter.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/log_capture.h"

namespace {

using localization::format_string;

TEST(FormatString, InsertsStringsByNumber) {
  EXPECT_EQ(format_string("a %2 b %1", {u"x", u"y"}), u"a y b x");
  EXPECT_EQ(format_string("%1%1", {u"ab"}), u"abab");
  EXPECT_EQ(format_string("%10.", {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"ten"}), u"ten.");
}

TEST(FormatString, EscapesAndLineBreaks) {
  EXPECT_EQ(format_string("a%nb", {u"unused"}), u"a\r\nb");
  EXPECT_EQ(format_string("100%% %. %! %t%r", {u"unused"}), u"100% . ! \t\r");
  EXPECT_EQ(format_string("stop%0here", {u"unused"}), u"stop");
  EXPECT_EQ(format_string("%1!s! done", {u"file"}), u"file done");
}

TEST(FormatString, WithoutInsertionsPlaceholdersRemainAndAreRejected) {
  test_support::log_capture capture;
  EXPECT_EQ(format_string("no placeholders%n", {}), u"no placeholders\r\n");
  EXPECT_THROW(format_string("status %1", {}), localization::localization_exception);
  EXPECT_TRUE(capture.contains_prefix(
      u"EXCEPTION Insufficiently arg_as_strings for build message. Message id: 0x00000000 Language id: 1033; "
      u"Insertions count mismatch; class localization::localization_exception; file: "));
}

TEST(FormatString, PlaceholderBroughtInByAnInsertionIsAccepted) {
  EXPECT_EQ(format_string("value %1", {u"%2"}), u"value %2");
}

TEST(FormatString, MissingInsertionFails) { EXPECT_THROW(format_string("%1 %2", {u"one"}), std::runtime_error); }

}  // namespace
