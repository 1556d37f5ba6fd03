// Named and unnamed events through the Windows stand-ins, across processes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "common/handle_holder.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/events.h"
#include "common/winapi/sync/named_event_store.h"
#include "support/environment_variable.h"
#include "support/temp_directory.h"

namespace {

using namespace std::chrono_literals;
using common::handle_holder;

class named_event_test : public ::testing::Test {
 protected:
  static handle_holder create(const std::u16string& name) {
    handle_holder event(winapi::create_named_event(name, false));
    EXPECT_TRUE(event.valid()) << winapi::get_last_error();
    return event;
  }

  static handle_holder open_for_wait(const std::u16string& name) {
    return handle_holder(winapi::open_event(winapi::synchronize, name));
  }

  // Sets the named event from a child process after delay, counted from when a byte
  // arrives on go (if given); returns the child's id. Fork only while this process has
  // one thread: a lock another thread holds would stay locked in the child.
  static pid_t set_in_child(const std::u16string& name, std::chrono::milliseconds delay, int go = -1) {
    const pid_t child = ::fork();
    if (child == 0) {
      char byte = 0;
      if (go >= 0 && ::read(go, &byte, 1) != 1) ::_exit(2);
      std::this_thread::sleep_for(delay);
      const handle_holder event(winapi::open_event(winapi::event_modify_state, name));
      ::_exit(event.valid() && winapi::set_event(event.get()) ? 0 : 1);
    }
    return child;
  }

  static int exit_status(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  test_support::temp_directory events_;
  test_support::environment_variable events_dir_{"FERROWICK_EVENTS_DIR", (events_.path() / "events").string()};
};

TEST_F(named_event_test, opening_a_missing_name_fails_with_file_not_found) {
  EXPECT_EQ(winapi::open_event(winapi::synchronize, u"no-such-event"), 0);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);
}

TEST_F(named_event_test, an_empty_name_is_rejected) {
  EXPECT_EQ(winapi::create_named_event(u"", false), 0);
  EXPECT_EQ(winapi::get_last_error(), 123u);
}

TEST_F(named_event_test, set_in_another_process_wakes_an_infinite_wait_and_stays_set) {
  const auto owner = create(u"stop-1");
  const auto event = open_for_wait(u"stop-1");
  ASSERT_TRUE(event.valid());
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_timeout);

  const pid_t child = set_in_child(u"stop-1", 100ms);
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), winapi::infinite), winapi::wait_object_0);
  EXPECT_EQ(exit_status(child), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_object_0);
}

TEST_F(named_event_test, a_wait_times_out_when_nothing_is_set) {
  const auto owner = create(u"quiet");
  const auto event = open_for_wait(u"quiet");
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 80), winapi::wait_timeout);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 80ms);
}

TEST_F(named_event_test, wait_for_multiple_reports_which_event_was_set) {
  const auto owner = create(u"stop-2");
  const auto named = open_for_wait(u"stop-2");
  const handle_holder private_event(winapi::create_event(false));
  const winapi::handle_t both[] = {named.get(), private_event.get()};

  EXPECT_EQ(winapi::wait_for_multiple_objects(2, both, 50), winapi::wait_timeout);

  std::thread setter([&] {
    std::this_thread::sleep_for(50ms);
    winapi::set_event(private_event.get());
  });
  EXPECT_EQ(winapi::wait_for_multiple_objects(2, both, winapi::infinite), winapi::wait_object_0 + 1);
  setter.join();

  const pid_t child = set_in_child(u"stop-2", 50ms);
  EXPECT_EQ(exit_status(child), 0);
  // Both are set now: the lower index wins.
  EXPECT_EQ(winapi::wait_for_multiple_objects(2, both, winapi::infinite), winapi::wait_object_0);
}

TEST_F(named_event_test, the_named_event_wakes_a_wait_together_with_a_clear_private_event) {
  const auto owner = create(u"stop-3");
  const auto named = open_for_wait(u"stop-3");
  const handle_holder private_event(winapi::create_event(false));
  const winapi::handle_t both[] = {private_event.get(), named.get()};
  const pid_t child = set_in_child(u"stop-3", 100ms);
  EXPECT_EQ(winapi::wait_for_multiple_objects(2, both, 60'000), winapi::wait_object_0 + 1);
  EXPECT_EQ(exit_status(child), 0);
}

TEST_F(named_event_test, every_thread_waiting_on_one_handle_wakes) {
  const auto owner = create(u"shared");
  const auto event = open_for_wait(u"shared");
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t child = set_in_child(u"shared", 100ms, go[0]);
  ::close(go[0]);
  std::vector<std::thread> waiters;
  std::vector<uint32_t> results(4, winapi::wait_failed);
  for (auto& result : results) {
    waiters.emplace_back([&event, &result] { result = winapi::wait_for_single_object(event.get(), 60'000); });
  }
  EXPECT_EQ(::write(go[1], "g", 1), 1);
  ::close(go[1]);
  for (auto& waiter : waiters) waiter.join();
  EXPECT_EQ(exit_status(child), 0);
  for (const auto result : results) EXPECT_EQ(result, winapi::wait_object_0);
}

TEST_F(named_event_test, a_handle_opened_for_waiting_cannot_set_the_event) {
  const auto owner = create(u"observed");
  const auto event = open_for_wait(u"observed");
  EXPECT_FALSE(winapi::set_event(event.get()));
  EXPECT_EQ(winapi::get_last_error(), winapi::error_access_denied);
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_timeout);
}

TEST_F(named_event_test, creating_an_existing_event_opens_it_and_keeps_its_state) {
  const auto first = create(u"twice");
  ASSERT_TRUE(winapi::set_event(first.get()));
  const handle_holder second(winapi::create_named_event(u"twice", false));
  ASSERT_TRUE(second.valid());
  EXPECT_EQ(winapi::get_last_error(), winapi::error_already_exists);
  EXPECT_EQ(winapi::wait_for_single_object(second.get(), 0), winapi::wait_object_0);
}

TEST_F(named_event_test, a_guarded_event_is_its_makers_alone_and_never_opens_what_was_planted) {
  const handle_holder event(winapi::create_guarded_named_event(u"guarded"));
  ASSERT_TRUE(event.valid()) << winapi::get_last_error();
  struct stat facts {};
  ASSERT_EQ(::stat(winapi::details::named_event_path(u"guarded")->c_str(), &facts), 0);
  EXPECT_EQ(facts.st_mode & 0777, 0600u);

  const std::filesystem::path target = events_.path() / "planted target";
  std::filesystem::create_symlink(target, *winapi::details::named_event_path(u"planted"));
  EXPECT_EQ(winapi::create_guarded_named_event(u"planted"), 0);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_already_exists);
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(named_event_test, a_guarded_event_is_refused_in_an_events_directory_others_could_change) {
  const std::filesystem::path directory = events_.path() / "events";
  std::filesystem::create_directory(directory);
  struct change {
    const char* name;
    std::filesystem::perms mode;
    uid_t owner;
  };
  const change changes[] = {
      {"writable by others", std::filesystem::perms::all, ::geteuid()},
      {"writable by its group", std::filesystem::perms::owner_all | std::filesystem::perms::group_all, ::geteuid()},
      {"another user's", std::filesystem::perms::owner_all, 65534}};
  for (const change& c : changes) {
    if (c.owner != ::geteuid() && ::geteuid() != 0) continue;  // only root may give the folder away
    std::filesystem::permissions(directory, c.mode);
    ASSERT_EQ(::chown(directory.c_str(), c.owner, static_cast<gid_t>(-1)), 0) << c.name;
    EXPECT_EQ(winapi::create_guarded_named_event(u"guarded"), 0) << c.name;
    EXPECT_EQ(winapi::get_last_error(), winapi::error_access_denied) << c.name;
    ASSERT_EQ(::chown(directory.c_str(), ::geteuid(), static_cast<gid_t>(-1)), 0);
  }
  std::filesystem::permissions(directory, std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
  EXPECT_NE(handle_holder(winapi::create_guarded_named_event(u"guarded")).get(), 0) << "sticky, as /dev/shm is";
}

TEST_F(named_event_test, a_deleted_name_cannot_be_opened_but_open_handles_keep_working) {
  const auto owner = create(u"gone");
  const auto event = open_for_wait(u"gone");
  ASSERT_TRUE(winapi::delete_named_event(u"gone"));
  EXPECT_EQ(winapi::open_event(winapi::synchronize, u"gone"), 0);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);

  std::thread setter([&] {
    std::this_thread::sleep_for(50ms);
    winapi::set_event(owner.get());
  });
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 60'000), winapi::wait_object_0);
  setter.join();
  EXPECT_FALSE(winapi::delete_named_event(u"gone"));
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);
}

TEST_F(named_event_test, names_cannot_leave_the_events_directory) {
  const auto root = events_.path() / "events";
  for (const auto* name : {u"../escaped", u"..", u".", u"a/../../b", u"Global\\stop", u"\u0421\u0442\u043e\u043f"}) {
    const auto event = create(name);
    ASSERT_TRUE(event.valid());
  }
  EXPECT_FALSE(std::filesystem::exists(events_.path() / "escaped"));
  EXPECT_FALSE(std::filesystem::exists(events_.path() / "b"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    EXPECT_TRUE(entry.is_regular_file());
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names.size(), 6u);
  EXPECT_TRUE(std::filesystem::exists(root / "%2E%2E%2Fescaped"));
  EXPECT_TRUE(std::filesystem::exists(root / "Global%5Cstop"));
}

TEST_F(named_event_test, waiting_on_a_handle_that_is_no_event_fails_with_invalid_handle) {
  const auto file_path = events_.path() / "plain";
  const handle_holder file(
      winapi::create_file(file_path.u16string(), winapi::generic_write, winapi::creation_disposition::create_always));
  ASSERT_TRUE(file.valid());
  EXPECT_EQ(winapi::wait_for_single_object(file.get(), 0), winapi::wait_failed);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_handle);
}

TEST_F(named_event_test, wait_for_multiple_takes_one_to_sixty_four_handles) {
  std::vector<handle_holder> events;
  std::vector<winapi::handle_t> handles;
  for (int i = 0; i < 65; ++i) {
    events.emplace_back(winapi::create_event(false));
    handles.push_back(events.back().get());
  }
  EXPECT_EQ(winapi::wait_for_multiple_objects(65, handles.data(), 0), winapi::wait_failed);
  EXPECT_EQ(winapi::wait_for_multiple_objects(0, handles.data(), 0), winapi::wait_failed);
  ASSERT_TRUE(winapi::set_event(handles[63]));
  EXPECT_EQ(winapi::wait_for_multiple_objects(64, handles.data(), 0), winapi::wait_object_0 + 63);
}

}  // namespace
