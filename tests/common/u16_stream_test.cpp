#include "common/u16_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

// Numbers of every width and signedness in decimal, the extremes included, and narrow
// text decoded in place between the other pieces.
TEST(u16_stream_test, numbers_and_texts_of_every_kind_join_in_order) {
  EXPECT_EQ(common::concat(int8_t{-5}, u" ", uint8_t{200}, " ", std::numeric_limits<int64_t>::min(), u' ',
                           std::numeric_limits<uint64_t>::max(), ' ', true, false),
            u"-5 200 -9223372036854775808 18446744073709551615 10");
  EXPECT_EQ(common::concat("\xc3\xa9", std::string("\xff"), u"\u4e2d", std::u16string(u"!")), u"\u00e9\u00ff\u4e2d!");
  EXPECT_EQ(common::concat(), u"");
}

}  // namespace
