#include <gtest/gtest.h>

#include "updater_lib/details/package/built_in_key.h"

namespace {

TEST(BuiltInKey, IsACompressedPoint) {
  const updater::public_key_t key = updater::get_binary_public_key();
  ASSERT_EQ(key.size(), 33u);
  EXPECT_TRUE(key[0] == 0x02 || key[0] == 0x03);
}

}  // namespace
