#include <gtest/gtest.h>

#include "common/winapi/files/file_attributes.h"
#include "error_lib/categories.h"
#include "support/error_of.h"
#include "support/temp_directory.h"

namespace {

TEST(readable_by_others, of_a_missing_file_raises_the_windows_error) {
  const test_support::temp_directory dir;
  EXPECT_EQ(test_support::error_of([&] { winapi::readable_by_others((dir.path() / "absent").u16string()); }),
            win32::make_win32_error(2));
}

}  // namespace
