#include "common/unguessable_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(unguessable_name_test, is_the_prefix_and_128_random_bits_in_hexadecimal_never_twice) {
  std::set<std::u16string> names;
  for (int i = 0; i < 1000; ++i) {
    const std::u16string name = common::unguessable_name(u"Global\\ferrowick-run-");
    ASSERT_EQ(name.size(), 21u + 32u);
    ASSERT_EQ(name.substr(0, 21), u"Global\\ferrowick-run-");
    ASSERT_EQ(name.find_first_not_of(u"0123456789abcdef", 21), std::u16string::npos);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 1000u);
}

}  // namespace
