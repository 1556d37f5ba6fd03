// The service-side event tool, run as a separate process against a private events directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "common/handle_holder.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/events.h"
#include "support/environment_variable.h"
#include "support/temp_directory.h"

namespace {

using namespace std::chrono_literals;

struct run_result {
  int exit_code;
  std::string output;
};

class ferrowick_event_test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(std::filesystem::exists(tool_)) << tool_ << " is not built"; }

  // Runs the tool with arguments (shell words) and collects its output and error text.
  run_result run(const std::string& arguments) const {
    FILE* pipe = ::popen((tool_.string() + " " + arguments + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[256];
    while (const size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
  }

  const std::filesystem::path tool_ = std::filesystem::path(FERROWICK_BINARY_DIR) / "src/tools/ferrowick-event";
  test_support::temp_directory events_;
  test_support::environment_variable events_dir_{"FERROWICK_EVENTS_DIR", events_.path().string()};
};

TEST_F(ferrowick_event_test, create_makes_a_clear_event_and_accepts_an_existing_one) {
  EXPECT_EQ(run("create task-stop").exit_code, 0);
  const common::handle_holder event(winapi::open_event(winapi::synchronize, u"task-stop"));
  ASSERT_TRUE(event.valid());
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_timeout);
  EXPECT_EQ(run("create task-stop").exit_code, 0);
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_timeout);
}

TEST_F(ferrowick_event_test, set_wakes_a_waiting_worker_and_the_event_stays_set) {
  ASSERT_EQ(run("create task-stop").exit_code, 0);
  const common::handle_holder event(winapi::open_event(winapi::synchronize, u"task-stop"));
  std::thread service([this] {
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(run("set task-stop").exit_code, 0);
  });
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 30'000), winapi::wait_object_0);
  service.join();
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_object_0);
  EXPECT_EQ(run("create task-stop").exit_code, 0);
  EXPECT_EQ(winapi::wait_for_single_object(event.get(), 0), winapi::wait_object_0);
}

TEST_F(ferrowick_event_test, setting_or_deleting_a_missing_event_fails_with_file_not_found) {
  // Only set of a name without a namespace points at the name other sessions see.
  const std::string hint =
      "\n(an event made in another session, such as that of a task run as SYSTEM, is named Global\\nobody here)\n";
  for (const char* arguments : {"set nobody", "delete nobody", "set 'Global\\nobody'"}) {
    const auto result = run(arguments);
    EXPECT_EQ(result.exit_code, 1) << arguments;
    EXPECT_EQ(result.output.rfind("error 2: ", 0), 0u) << result.output;
    EXPECT_EQ(result.output.ends_with(hint), std::string(arguments) == "set nobody") << result.output;
  }
}

TEST_F(ferrowick_event_test, delete_removes_the_name) {
  ASSERT_EQ(run("create task-stop").exit_code, 0);
  EXPECT_EQ(run("delete task-stop").exit_code, 0);
  EXPECT_EQ(winapi::open_event(winapi::synchronize, u"task-stop"), 0);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);
  EXPECT_EQ(run("set task-stop").exit_code, 1);
}

TEST_F(ferrowick_event_test, wrong_usage_is_refused) {
  EXPECT_EQ(run("").exit_code, 2);
  EXPECT_EQ(run("reset task-stop").exit_code, 2);
  EXPECT_EQ(run("create").exit_code, 2);
}

}  // namespace
