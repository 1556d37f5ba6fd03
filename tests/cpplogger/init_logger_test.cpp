// The process-wide logger installed by init_logger, and logging through it from threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <new>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "cpplogger/details/Logger.h"
#include "cpplogger/details/instance_holder.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "cpplogger/logger.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using namespace logger_tests;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2)
    lines.push_back(text.substr(begin, end - begin));
  EXPECT_EQ(begin, text.size()) << "the file ends inside a line";
  return lines;
}

// The only test that initialises the process-wide logger: it can happen once per process.
TEST(init_logger_test, installs_the_logger_once) {
  static test_support::temp_directory directory;  // outlives the test: the logger stays installed
  write_bytes(directory.path() / "logger.xml", settings_xml("true", "DEBUG"));
  ASSERT_TRUE(cpplogger::init_logger(u16(directory.path()), u"logger.xml", u16(directory.path()), u"worker", true, {}));
  cpplogger::log(cpplogger::level_info, u"hello");
  cpplogger::log(cpplogger::level_trace, u"filtered");

  EXPECT_FALSE(cpplogger::init_logger(u"/elsewhere", u"other.xml", u"/elsewhere", u"other", false, {}));
  EXPECT_EQ(cpplogger::get_logs_directory(), u16(directory.path()));
  EXPECT_EQ(cpplogger::get_log_base_name(), u"worker");
  EXPECT_EQ(cpplogger::get_settings().level, cpplogger::level_debug);

  const auto lines = split_lines(read_bytes(directory.path() / "worker.log"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d \d+ INFO hello)"))) << lines[0];
}

// What static destruction does at exit: the holder switches logging off, then lets the
// logger go. Run in a child process, which ends without a second destruction.
TEST(exit_switch_off_test, logging_after_the_holder_is_gone_returns_at_once) {
  test_support::temp_directory directory;
  write_bytes(directory.path() / "logger.xml", settings_xml("true", "TRACE"));
  const auto log_file = directory.path() / "worker.log";
  // Other tests' watcher threads may be running: start the child afresh rather than fork it.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto logger = std::make_shared<cpplogger::details::Logger>();
        logger->start(u16(directory.path()), u"logger.xml", u16(directory.path()), u"worker", false, {});
        const std::weak_ptr<cpplogger::details::Logger> released = logger;
        // Only this logger goes with the holder; anything installed before is kept aside.
        const installed_logger installed(std::move(logger));
        cpplogger::log(cpplogger::level_info, u"before");
        cpplogger::details::holder.~instance_holder();
        const bool logger_released = released.expired();
        // An empty holder in its place shows whether logging still reaches for an instance.
        new (&cpplogger::details::holder) cpplogger::details::instance_holder;
        cpplogger::log(cpplogger::level_fatal, u"after");
        { FW_LOG_SCOPE(); }
        const bool holder_untouched = cpplogger::details::holder.instance == nullptr;
        const auto lines = split_lines(read_bytes(log_file));
        const bool only_before = lines.size() == 1 && lines[0].ends_with(" INFO before");
        std::error_code ignored;
        std::filesystem::remove_all(directory.path(), ignored);  // no destructors run after _Exit
        std::_Exit(logger_released && holder_untouched && only_before ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(exit_switch_off_test, a_watcher_callback_may_reach_for_the_logger_while_the_holder_goes) {
  test_support::temp_directory directory;
  const auto config = directory.path() / "logger.xml";
  write_bytes(config, settings_xml("false", "INFO"));
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // A deadlock ends the child with a failure instead of hanging the test.
        std::thread([] {
          std::this_thread::sleep_for(std::chrono::seconds(20));
          std::_Exit(2);
        }).detach();
        std::promise<void> called;
        std::atomic<bool> holder_going{false};
        auto logger = std::make_shared<cpplogger::details::Logger>(std::chrono::milliseconds(5));
        logger->start(u16(directory.path()), u"logger.xml", u16(directory.path()), u"worker", true, [&](bool) {
          called.set_value();
          while (!holder_going) std::this_thread::yield();
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
          cpplogger::get_settings();
        });
        const installed_logger installed(std::move(logger));
        write_bytes(config, settings_xml("true", "INFO"));
        std::filesystem::last_write_time(config,
                                         std::filesystem::file_time_type::clock::now() + std::chrono::seconds(10));
        called.get_future().wait();
        holder_going = true;
        cpplogger::details::holder.~instance_holder();
        std::error_code ignored;
        std::filesystem::remove_all(directory.path(), ignored);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

void log_from_thread(int thread, int count) {
  FW_LOG_SCOPE();
  for (int i = 0; i < count; ++i) FW_LOG(cpplogger::level_trace) << "thread " << thread << " record " << i;
}

TEST(threaded_logging_test, lines_of_different_threads_never_mix) {
  test_support::temp_directory directory;
  write_bytes(directory.path() / "logger.xml", settings_xml("true", "TRACE", "4", "104857600"));
  auto logger = std::make_shared<cpplogger::details::Logger>();
  logger->start(u16(directory.path()), u"logger.xml", u16(directory.path()), u"worker", true, {});
  installed_logger installed(logger);

  constexpr int threads = 4;
  constexpr int count = 2000;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.emplace_back(log_from_thread, t, count);
  for (auto& worker : workers) worker.join();

  const std::regex record_line(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d (\d+) TRACE     thread (\d) record (\d+))");
  const std::regex scope_line(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d \d+ DEBUG (--->|<---) .*log_from_thread, .*)");
  std::map<int, int> next_record;
  int scope_lines = 0;
  for (const auto& line : split_lines(read_bytes(directory.path() / "worker.log"))) {
    std::smatch match;
    if (std::regex_match(line, match, record_line)) {
      const int thread = std::stoi(match[2]);
      EXPECT_EQ(std::stoi(match[3]), next_record[thread]++) << line;
    } else {
      EXPECT_TRUE(std::regex_match(line, scope_line)) << line;
      ++scope_lines;
    }
  }
  EXPECT_EQ(scope_lines, 2 * threads);
  for (int t = 0; t < threads; ++t) EXPECT_EQ(next_record[t], count);
}

}  // namespace
