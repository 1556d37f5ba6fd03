#include "updater_lib/details/run/cancellation_token.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "common/sync_helpers.h"
#include "common/winapi/sync/events.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "support/environment_variable.h"
#include "support/error_of.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using namespace std::chrono_literals;
using test_support::error_of;

const std::error_code canceled = common::make_application_error(common::error_operation_canceled);
const std::error_code invalid_timeout = common::make_application_error(5373);

// The service's side: a named stop event in a private events directory.
class cancellation_token_test : public ::testing::Test {
 protected:
  void SetUp() override {
    service_event_ = common::handle_holder(winapi::create_named_event(u"task-stop", false));
    ASSERT_TRUE(service_event_.valid());
  }

  void cancel() const { ASSERT_TRUE(winapi::set_event(service_event_.get())); }

  test_support::temp_directory events_;
  test_support::environment_variable events_dir_{"FERROWICK_EVENTS_DIR", events_.path().string()};
  common::handle_holder service_event_;
};

TEST_F(cancellation_token_test, a_missing_stop_event_fails_with_file_not_found) {
  const test_support::log_capture log;
  EXPECT_EQ(error_of([] { updater::cancellation_token token(u"other-task"); }), win32::make_win32_error(2));
  EXPECT_TRUE(log.contains_substring(u"Name: other-task"));
}

TEST_F(cancellation_token_test, canceled_follows_the_stop_event_and_never_blocks) {
  const updater::cancellation_token token(u"task-stop");
  EXPECT_FALSE(token.canceled());
  EXPECT_FALSE(token.canceled());
  cancel();
  EXPECT_TRUE(token.canceled());
  EXPECT_TRUE(token.canceled());
}

TEST_F(cancellation_token_test, a_timed_wait_returns_after_the_timeout_on_a_clear_event) {
  const updater::cancellation_token token(u"task-stop");
  EXPECT_NO_THROW(token.wait(0s));
  const auto started = std::chrono::steady_clock::now();
  EXPECT_NO_THROW(token.wait(1s));
  EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
}

TEST_F(cancellation_token_test, a_timed_wait_raises_cancellation_when_the_event_is_set) {
  const updater::cancellation_token token(u"task-stop");
  cancel();
  EXPECT_EQ(error_of([&] { token.wait(0s); }), canceled);
  // The largest timeout that fits in 32-bit milliseconds is accepted.
  EXPECT_EQ(error_of([&] { token.wait(4'294'967s); }), canceled);
}

TEST_F(cancellation_token_test, a_set_in_another_process_ends_a_long_wait) {
  const updater::cancellation_token token(u"task-stop");
  const pid_t child = ::fork();
  if (child == 0) {
    std::this_thread::sleep_for(100ms);
    const common::handle_holder event(winapi::open_event(winapi::event_modify_state, u"task-stop"));
    ::_exit(event.valid() && winapi::set_event(event.get()) ? 0 : 1);
  }
  EXPECT_EQ(error_of([&] { token.wait(3600s); }), canceled);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(cancellation_token_test, timeouts_beyond_thirty_two_bit_milliseconds_are_invalid) {
  const updater::cancellation_token token(u"task-stop");
  const auto other = sync_helpers::create_basic_manual_reset_event();
  EXPECT_EQ(error_of([&] { token.wait(4'294'968s); }), invalid_timeout);
  EXPECT_EQ(error_of([&] { token.wait(-1s); }), invalid_timeout);
  EXPECT_EQ(error_of([&] { token.wait(other, 4'294'968s); }), invalid_timeout);
}

// The watcher of a download waits so, with the download's remaining time as the limit.
TEST_F(cancellation_token_test, the_two_event_wait_returns_when_the_other_event_is_set_or_the_time_is_up) {
  const updater::cancellation_token token(u"task-stop");
  const auto other = sync_helpers::create_basic_manual_reset_event();
  const test_support::log_capture log;
  EXPECT_FALSE(token.wait(other, 0s));
  EXPECT_FALSE(token.wait(other, 20ms));
  std::thread setter([&] { sync_helpers::set_event(other); });
  EXPECT_TRUE(token.wait(other, std::chrono::milliseconds(0xFFFFFFFF)));
  setter.join();
  EXPECT_TRUE(log.contains(u"Event #1 was raised"));
}

TEST_F(cancellation_token_test, the_stop_event_wins_the_two_event_wait) {
  const updater::cancellation_token token(u"task-stop");
  const auto other = sync_helpers::create_basic_manual_reset_event();
  cancel();
  sync_helpers::set_event(other);
  EXPECT_EQ(error_of([&] { token.wait(other, 10s); }), canceled);
}

TEST_F(cancellation_token_test, every_thread_waiting_on_the_token_sees_the_cancellation) {
  const updater::cancellation_token token(u"task-stop");
  std::vector<common::handle_holder> others;
  for (int i = 0; i < 3; ++i) others.push_back(sync_helpers::create_basic_manual_reset_event());
  std::atomic<int> canceled_count{0};
  std::vector<std::thread> waiters;
  for (const auto& other : others) {
    waiters.emplace_back([&] {
      if (error_of([&] { token.wait(other, 60s); }) == canceled) ++canceled_count;
    });
  }
  waiters.emplace_back([&] {
    if (error_of([&] { token.wait(60s); }) == canceled) ++canceled_count;
  });
  std::this_thread::sleep_for(100ms);
  cancel();
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(canceled_count, 4);
  EXPECT_TRUE(token.canceled());
}

}  // namespace
