#include "common/winapi/process/debug_output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/winapi/process/environment.h"

namespace {

// The sink reads its target once per process, so each case runs in a fresh one.
class debug_output_death : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(debug_output_death, keeps_surrogate_pairs_and_marks_unpaired_units) {
  const std::u16string text =
      u"a\U0001F600b" + std::u16string(1, char16_t(0xD800)) + u"c" + std::u16string(1, char16_t(0xDC00)) + u"|";
  EXPECT_EXIT(
      {
        winapi::set_environment_variable("FERROWICK_DEBUG_OUTPUT", "stderr");
        winapi::output_debug_string(text);
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      "a\xF0\x9F\x98\x80"
      "b\\?c\\?\\|");
}

}  // namespace
