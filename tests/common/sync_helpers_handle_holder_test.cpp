// The shared handle owner: closes exactly once, moves ownership, treats 0 and -1 as empty.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "common/handle_holder.h"
#include "common/sync_helpers.h"

namespace {

bool is_open(winapi::handle_t handle) { return ::fcntl(static_cast<int>(handle), F_GETFD) != -1; }

TEST(handle_holder_test, closes_its_handle_when_destroyed) {
  winapi::handle_t handle = 0;
  {
    const auto event = sync_helpers::create_basic_manual_reset_event();
    handle = event.get();
    EXPECT_TRUE(is_open(handle));
  }
  EXPECT_FALSE(is_open(handle));
}

TEST(handle_holder_test, moving_transfers_ownership_and_the_closer) {
  std::vector<winapi::handle_t> closed;
  const auto record = [&closed](winapi::handle_t handle) { closed.push_back(handle); };
  {
    common::handle_holder first(41, record);
    common::handle_holder second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.get(), 41);
    common::handle_holder third(42, record);
    third = std::move(second);
    EXPECT_EQ(closed, std::vector<winapi::handle_t>{42});
  }
  EXPECT_EQ(closed, (std::vector<winapi::handle_t>{42, 41}));
}

TEST(handle_holder_test, zero_and_minus_one_are_never_closed) {
  int calls = 0;
  const auto count = [&calls](winapi::handle_t) { ++calls; };
  { common::handle_holder none(0, count); }
  { common::handle_holder invalid(winapi::invalid_handle_value, count); }
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(common::handle_holder(winapi::invalid_handle_value).valid());
}

TEST(handle_holder_test, release_gives_the_handle_up_unclosed) {
  auto event = sync_helpers::create_basic_manual_reset_event();
  const winapi::handle_t handle = event.release();
  EXPECT_FALSE(event.valid());
  EXPECT_TRUE(is_open(handle));
  EXPECT_TRUE(winapi::close_handle(handle));
}

TEST(handle_holder_death_test, a_failing_close_terminates_the_process) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH({ common::handle_holder stale(987654); }, "");
}

}  // namespace
