#include "updater_lib/details/parameters/parameters_text_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "updater_lib/details/parameters/parameters_text.h"

namespace {

std::vector<uint8_t> terminated_text(const updater::token_list& tokens) {
  std::vector<uint8_t> bytes = updater::to_utf16le_bytes(updater::join_parameter_tokens(tokens));
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

// The first token is read by the program-name rule, where a quote is never escaped: a
// quote inside it came back cut at the backslash the argument quoting had put before it.
TEST(parameters_writer, first_tokens_the_program_name_rule_can_hold_read_back_unchanged) {
  for (const std::u16string first : {u"co\"figs_path", u"configs path", u"", u"C:\\dir\\", u"tab\there"}) {
    const updater::token_list tokens{first, u"value \"quoted\""};
    EXPECT_EQ(updater::split_parameter_text(terminated_text(tokens)), tokens)
        << "first token of " << first.size() << " units";
  }
}

TEST(parameters_writer, a_first_token_the_program_name_rule_cannot_hold_is_refused) {
  for (const std::u16string first : {u"\"leading", u"quote\" and blank"}) {
    EXPECT_THROW(updater::join_parameter_tokens({first, u"v"}), std::invalid_argument);
  }
}

}  // namespace
