#include "common/sync_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/events.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "support/environment_variable.h"
#include "support/error_of.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"

namespace {

using test_support::error_of;

using namespace std::chrono_literals;
using common::handle_holder;

TEST(sync_helpers_test, a_new_event_is_clear_and_stays_set_once_set) {
  const auto event = sync_helpers::create_basic_manual_reset_event();
  ASSERT_TRUE(event.valid());
  EXPECT_FALSE(sync_helpers::is_event_set(event.get()));
  EXPECT_FALSE(sync_helpers::wait(event.get(), 0));
  sync_helpers::set_event(event);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(sync_helpers::is_event_set(event.get()));
    EXPECT_TRUE(sync_helpers::wait(event.get(), 0));
  }
}

TEST(sync_helpers_test, a_set_from_another_thread_ends_an_infinite_wait) {
  const auto event = sync_helpers::create_basic_manual_reset_event();
  std::thread setter([&] {
    std::this_thread::sleep_for(50ms);
    sync_helpers::set_event(event);
  });
  EXPECT_TRUE(sync_helpers::wait(event.get(), sync_helpers::infinite));
  setter.join();
}

TEST(sync_helpers_test, a_wait_on_a_clear_event_times_out) {
  const auto event = sync_helpers::create_basic_manual_reset_event();
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(sync_helpers::wait(event.get(), 60));
  EXPECT_GE(std::chrono::steady_clock::now() - started, 60ms);
}

TEST(sync_helpers_test, invalid_handles_are_refused_before_any_wait) {
  EXPECT_EQ(error_of([] { sync_helpers::wait(0, 0); }), common::make_application_error(5185));
  EXPECT_EQ(error_of([] { sync_helpers::wait(winapi::invalid_handle_value, 0); }),
            common::make_application_error(5186));
  EXPECT_EQ(error_of([] { sync_helpers::set_event(handle_holder()); }), common::make_application_error(5185));
}

TEST(sync_helpers_test, wait_any_checks_the_handle_array) {
  std::vector<handle_holder> events;
  std::vector<winapi::handle_t> handles;
  for (int i = 0; i < 65; ++i) {
    events.push_back(sync_helpers::create_basic_manual_reset_event());
    handles.push_back(events.back().get());
  }
  EXPECT_EQ(error_of([&] { sync_helpers::wait_any(handles.data(), 65); }), common::make_application_error(5189));
  EXPECT_EQ(error_of([&] { sync_helpers::wait_any(handles.data(), 0); }), common::make_application_error(5189));
  EXPECT_EQ(error_of([&] { sync_helpers::wait_any(nullptr, 1); }), common::make_application_error(5189));

  sync_helpers::set_event(events[63]);
  EXPECT_EQ(sync_helpers::wait_any(handles.data(), 64), std::make_pair(true, 63u));
}

TEST(sync_helpers_test, wait_any_reports_the_first_of_several_set_events) {
  const auto first = sync_helpers::create_basic_manual_reset_event();
  const auto second = sync_helpers::create_basic_manual_reset_event();
  const winapi::handle_t handles[] = {first.get(), second.get()};
  std::thread setter([&] {
    std::this_thread::sleep_for(50ms);
    sync_helpers::set_event(second);
  });
  EXPECT_EQ(sync_helpers::wait_any(handles, 2), std::make_pair(true, 1u));
  setter.join();
  sync_helpers::set_event(first);
  EXPECT_EQ(sync_helpers::wait_any(handles, 2), std::make_pair(true, 0u));
}

TEST(sync_helpers_test, a_failed_wait_is_a_windows_error) {
  EXPECT_EQ(error_of([] { sync_helpers::wait(12345, 0); }), win32::make_win32_error(6));
}

class sync_helpers_named_test : public ::testing::Test {
 protected:
  test_support::temp_directory events_;
  test_support::environment_variable events_dir_{"FERROWICK_EVENTS_DIR", events_.path().string()};
};

TEST_F(sync_helpers_named_test, opening_a_missing_event_raises_file_not_found_naming_it) {
  const test_support::log_capture log;
  EXPECT_EQ(error_of([] { sync_helpers::open_event_for_sync(u"task-stop"); }), win32::make_win32_error(2));
  EXPECT_TRUE(log.contains_substring(u"Could not get an event's handle. Name: task-stop"));
}

TEST_F(sync_helpers_named_test, an_opened_stop_event_is_observed_but_cannot_be_set) {
  const handle_holder owner(winapi::create_named_event(u"task-stop", false));
  const auto event = sync_helpers::open_event_for_sync(u"task-stop");
  EXPECT_FALSE(sync_helpers::is_event_set(event.get()));
  EXPECT_EQ(error_of([&] { sync_helpers::set_event(event); }), win32::make_win32_error(5));
  ASSERT_TRUE(winapi::set_event(owner.get()));
  EXPECT_TRUE(sync_helpers::is_event_set(event.get()));
}

TEST_F(sync_helpers_named_test, a_guarded_event_refuses_a_taken_name_and_is_observed_as_a_stop_event) {
  const handle_holder taken(winapi::create_named_event(u"taken-stop", false));
  ASSERT_TRUE(winapi::set_event(taken.get()));
  EXPECT_EQ(winapi::create_guarded_named_event(u"taken-stop"), 0);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_already_exists);
  EXPECT_TRUE(sync_helpers::is_event_set(taken.get()));

  const handle_holder owner(winapi::create_guarded_named_event(u"new-stop"));
  ASSERT_TRUE(owner.valid()) << winapi::get_last_error();
  const auto observer = sync_helpers::open_event_for_sync(u"new-stop");
  EXPECT_FALSE(sync_helpers::is_event_set(observer.get()));
  EXPECT_EQ(error_of([&] { sync_helpers::set_event(observer); }), win32::make_win32_error(5));
  ASSERT_TRUE(winapi::set_event(owner.get()));
  EXPECT_TRUE(sync_helpers::is_event_set(observer.get()));
}

TEST(critical_section_test, serialises_its_users_and_is_recursive) {
  sync_helpers::critical_section section;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) {
        const std::lock_guard outer(section);
        const std::lock_guard inner(section);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 4000);
}

TEST(critical_section_death_test, destroying_a_section_held_by_another_thread_terminates) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        auto* section = new sync_helpers::critical_section;
        std::atomic<bool> held{false};
        std::thread holder([&] {
          section->lock();
          held = true;
          std::this_thread::sleep_for(10s);
        });
        while (!held) std::this_thread::yield();
        delete section;
      },
      "");
}

}  // namespace
