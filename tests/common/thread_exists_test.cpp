#include "common/winapi/sync/thread_exists.h"

#include <gtest/gtest.h>

#include "common/winapi/process/last_error.h"
#include "common/winapi/process/process_info.h"
#include "support/foreign_thread.h"

namespace {

TEST(thread_exists_test, counts_the_threads_of_this_process_only) {
  EXPECT_TRUE(winapi::thread_exists(winapi::current_thread_id()));
  const test_support::foreign_thread other;
  // The id names a live thread, but of another process: the history purge must not keep
  // a buffer for it.
  winapi::set_last_error(0);
  EXPECT_FALSE(winapi::thread_exists(other.id()));
  EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_parameter);
}

}  // namespace
