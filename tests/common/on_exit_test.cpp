#include "common/on_exit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>

#include "common/text.h"
#include "cpplogger/details/instance_holder.h"
#include "support/writing_logger.h"

namespace {

TEST(on_exit, runs_its_callable_once_at_scope_exit) {
  int calls = 0;
  {
    common::on_exit guard([&] { ++calls; });
  }
  EXPECT_EQ(calls, 1);
}

TEST(on_exit, a_dismissed_guard_runs_nothing) {
  int calls = 0;
  {
    common::on_exit guard([&] { ++calls; });
    guard.dismiss();
  }
  EXPECT_EQ(calls, 0);
}

TEST(on_exit, running_on_request_prevents_a_second_run_at_scope_exit) {
  int calls = 0;
  {
    common::on_exit guard([&] { ++calls; });
    guard.run();
    EXPECT_EQ(calls, 1);
    guard.run();
  }
  EXPECT_EQ(calls, 1);
}

TEST(on_exit, an_empty_callable_is_allowed) {
  common::on_exit guard(nullptr);
  guard.run();
}

// Puts a logger in place that echoes every record to standard error, so a death test
// can see what was logged before the process ended.
class stderr_logger final : public test_support::writing_logger {
 public:
  void write(const cpplogger::message& record) override {
    std::fprintf(stderr, "level %d: %s\n", record.level, common::utf16_to_utf8(record.text).c_str());
  }
};

void install_stderr_logger() {
  std::unique_lock lock(cpplogger::details::holder.holder_lock);
  cpplogger::details::holder.instance = std::make_shared<stderr_logger>();
}

TEST(on_exit_death, a_throwing_callable_logs_fatal_and_terminates) {
  EXPECT_DEATH(
      {
        install_stderr_logger();
        common::on_exit guard([] { throw std::runtime_error("disk gone"); });
      },
      "level 5: Fatal error in on_exit handler: disk gone");
}

TEST(on_exit_death, a_callable_throwing_a_non_standard_exception_terminates_too) {
  EXPECT_DEATH(
      {
        install_stderr_logger();
        common::on_exit guard([] { throw 42; });
        guard.run();
      },
      "level 5: Unknown error in on_exit handler. Terminating...");
}

}  // namespace
