#include "cpplogger/details/Logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/process_resources.h"
#include "support/temp_directory.h"

namespace {

using namespace logger_tests;
using test_support::threads_of_this_process;
using namespace std::chrono_literals;
using cpplogger::logger_settings;
using cpplogger::details::Logger;

// Records every callback call.
class callback_log {
 public:
  cpplogger::details::on_change_callback callback() {
    return [this](bool value) {
      std::lock_guard lock(mutex_);
      values_.push_back(value);
    };
  }
  std::vector<bool> values() const {
    std::lock_guard lock(mutex_);
    return values_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<bool> values_;
};

class logger_test : public ::testing::Test {
 protected:
  logger_test() { std::filesystem::create_directory(logs()); }

  // Staged and renamed into place, so a polling watcher never reads a half-written file.
  void write_settings(std::string_view xml) {
    const auto staged = directory.path() / "logger.xml.new";
    write_bytes(staged, xml);
    // Move the time on explicitly: two writes within the clock's granularity look unchanged.
    std::filesystem::last_write_time(staged, std::filesystem::file_time_type::clock::now() + (++edits) * 10s);
    std::filesystem::rename(staged, config_path());
  }
  void start(Logger& logger, bool watch, cpplogger::details::on_change_callback on_change = {}) {
    logger.start(u16(directory.path()), u"logger.xml", u16(logs()), u"worker", watch, std::move(on_change));
  }
  std::filesystem::path config_path() const { return directory.path() / "logger.xml"; }
  std::filesystem::path logs() const { return directory.path() / "logs"; }
  std::string log_text() const { return read_bytes(logs() / "worker.log"); }

  // Waits up to 10 seconds for condition.
  template <typename Condition>
  static bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }

  test_support::temp_directory directory;
  int edits = 0;
};

TEST_F(logger_test, start_reads_the_settings_and_names_the_paths) {
  write_settings(settings_xml("true", "INFO", "3", "600000", "600000"));
  Logger logger;
  start(logger, false);
  EXPECT_EQ(logger.get_settings(), (logger_settings{cpplogger::level_info, true, 600000, 600000, 3}));
  EXPECT_EQ(logger.get_config_file_path(), u16(config_path()));
  EXPECT_EQ(logger.get_logs_directory(), u16(logs()));
  EXPECT_EQ(logger.get_log_base_name(), u"worker");
  EXPECT_FALSE(logger.is_watching());
}

TEST_F(logger_test, folders_named_outside_the_basic_plane_hold_settings_and_log) {
  const auto configs = directory.path() / u"configs \U0001F600";
  const auto emoji_logs = directory.path() / u"logs \U0001F601";
  std::filesystem::create_directory(configs);
  std::filesystem::create_directory(emoji_logs);
  write_bytes(configs / "logger.xml", settings_xml("true", "INFO"));
  Logger logger;
  logger.start(u16(directory.path()) + u"/configs \U0001F600", u"logger.xml",
               u16(directory.path()) + u"/logs \U0001F601", u"worker", false, {});
  EXPECT_TRUE(logger.get_settings().use_developer_log);
  logger.write(make_record(cpplogger::level_info, u"on"));
  EXPECT_EQ(read_bytes(emoji_logs / "worker.log"), "2016/05/04 13:07:21 4242 INFO on\r\n");
}

TEST_F(logger_test, before_start_there_is_no_writer_and_nothing_is_written) {
  Logger logger;
  EXPECT_EQ(logger.get_logs_directory(), u"");
  EXPECT_EQ(logger.get_log_base_name(), u"");
  logger.write(make_record(cpplogger::level_fatal, u"dropped"));
}

TEST_F(logger_test, start_forces_values_into_range_and_reports_each) {
  write_settings(settings_xml("true", "INFO", "0", "-1", "0x10"));
  const debug_output output;
  Logger logger;
  start(logger, false);
  EXPECT_EQ(logger.get_settings(), (logger_settings{cpplogger::level_info, true, 524288, 104857600, 1}));
  const std::string path = config_path().string();
  EXPECT_TRUE(output.contains("Replace current 'max_backup_index' for file: " + path +
                              " with value = 1. Original value was = 0.\n"));
  EXPECT_TRUE(output.contains("Replace current 'max_buffer_size' for file: " + path +
                              " with value = 524288. Original value was = 16.\n"));
  EXPECT_TRUE(output.contains("Replace current 'max_file_size' for file: " + path +
                              " with value = 104857600. Original value was = 18446744073709551615.\n"));
}

TEST_F(logger_test, a_bad_level_or_a_missing_file_at_start_leaves_the_defaults) {
  const debug_output output;
  write_settings(settings_xml("true", "verbose", "9"));
  Logger bad_level;
  start(bad_level, false);
  EXPECT_EQ(bad_level.get_settings(), logger_settings{});
  EXPECT_TRUE(output.contains("Could not read logger settings. Error: Incorrect log level config value.\n"));

  std::filesystem::remove(config_path());
  Logger missing;
  start(missing, false);
  EXPECT_EQ(missing.get_settings(), logger_settings{});
  EXPECT_TRUE(output.contains("Could not read logger settings. Error: "));
}

TEST_F(logger_test, the_callback_hears_true_at_start_when_the_developer_log_is_on) {
  callback_log calls;
  write_settings(settings_xml("true", "INFO"));
  Logger on;
  start(on, false, calls.callback());
  EXPECT_EQ(calls.values(), std::vector<bool>{true});

  write_settings(settings_xml("false", "INFO"));
  Logger off;
  start(off, false, calls.callback());
  EXPECT_EQ(calls.values(), std::vector<bool>{true});
}

TEST_F(logger_test, write_passes_records_at_or_above_the_level_and_unknown_always) {
  write_settings(settings_xml("true", "DEBUG"));
  Logger logger;
  start(logger, false);
  logger.write(make_record(cpplogger::level_trace, u"trace"));
  logger.write(make_record(cpplogger::level_debug, u"debug"));
  logger.write(make_record(cpplogger::level_unknown, u"unknown"));
  logger.write(make_record(17, u"seventeen"));
  EXPECT_EQ(log_text(),
            "2016/05/04 13:07:21 4242 DEBUG debug\r\n2016/05/04 13:07:21 4242 UNKNOWN unknown\r\n"
            "2016/05/04 13:07:21 4242 UNKNOWN seventeen\r\n");
}

TEST_F(logger_test, trace_is_written_at_level_trace) {
  write_settings(settings_xml("true", "TRACE"));
  Logger logger;
  start(logger, false);
  logger.write(make_record(cpplogger::level_trace, u"trace"));
  EXPECT_EQ(log_text(), "2016/05/04 13:07:21 4242 TRACE trace\r\n");
}

TEST_F(logger_test, reload_applies_a_changed_file_and_calls_back_only_when_the_switch_changes) {
  callback_log calls;
  write_settings(settings_xml("false", "INFO"));
  Logger logger;
  start(logger, false, calls.callback());

  write_settings(settings_xml("false", "ERROR"));
  logger.reload_settings();
  EXPECT_EQ(logger.get_settings().level, cpplogger::level_error);
  EXPECT_TRUE(calls.values().empty());

  write_settings(settings_xml("true", "ERROR"));
  logger.reload_settings();
  EXPECT_TRUE(logger.get_settings().use_developer_log);
  EXPECT_EQ(calls.values(), std::vector<bool>{true});

  const debug_output output;
  logger.reload_settings();
  EXPECT_TRUE(output.contains("Settings read from configuration file does not differ from the current settings.\n"));
  EXPECT_EQ(calls.values(), std::vector<bool>{true});
}

TEST_F(logger_test, reload_with_a_bad_level_keeps_the_settings) {
  write_settings(settings_xml("true", "WARN"));
  Logger logger;
  start(logger, false);
  write_settings(settings_xml("false", ""));
  const debug_output output;
  logger.reload_settings();
  EXPECT_EQ(logger.get_settings().level, cpplogger::level_warn);
  EXPECT_TRUE(output.contains("Could not read logger settings. Error: Empty log level config value.\n"));
}

TEST_F(logger_test, the_watcher_picks_up_an_edited_file_and_calls_back) {
  callback_log calls;
  write_settings(settings_xml("false", "INFO"));
  Logger logger(20ms);
  start(logger, true, calls.callback());
  EXPECT_TRUE(logger.is_watching());

  write_settings(settings_xml("true", "DEBUG"));
  EXPECT_TRUE(eventually([&] { return calls.values() == std::vector<bool>{true}; }));
  EXPECT_EQ(logger.get_settings().level, cpplogger::level_debug);

  write_settings(settings_xml("true", "ERROR"));
  EXPECT_TRUE(eventually([&] { return logger.get_settings().level == cpplogger::level_error; }));
  EXPECT_EQ(calls.values(), std::vector<bool>{true});
}

TEST_F(logger_test, the_watcher_picks_up_a_file_created_after_start) {
  Logger logger(20ms);
  start(logger, true);
  write_settings(settings_xml("true", "FATAL"));
  EXPECT_TRUE(eventually([&] { return logger.get_settings().level == cpplogger::level_fatal; }));
}

TEST_F(logger_test, without_watching_no_thread_starts_and_an_edited_file_has_no_effect) {
  write_settings(settings_xml("false", "INFO"));
  const size_t threads_before = threads_of_this_process();
  Logger logger(1ms);
  start(logger, false);
  EXPECT_EQ(threads_of_this_process(), threads_before);
  write_settings(settings_xml("true", "ERROR"));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(logger.get_settings().level, cpplogger::level_info);
}

// Counts are taken with the watcher running: a sanitizer runtime may add a helper thread
// of its own when the first thread starts.
TEST_F(logger_test, a_stopped_watcher_ends_and_no_longer_reloads) {
  write_settings(settings_xml("false", "INFO"));
  Logger logger(1ms);
  start(logger, true);
  const size_t threads_watching = threads_of_this_process();
  logger.stop_watching();
  // The stop does not wait for the thread; it ends on its own.
  ASSERT_TRUE(eventually([&] { return threads_of_this_process() == threads_watching - 1; }));
  write_settings(settings_xml("true", "ERROR"));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(logger.get_settings().level, cpplogger::level_info);
}

TEST_F(logger_test, no_watcher_outlives_its_logger) {
  write_settings(settings_xml("false", "INFO"));
  size_t threads_watching = 0;
  {
    Logger logger(1ms);
    start(logger, true);
    threads_watching = threads_of_this_process();
    start(logger, true);  // the first watcher is stopped and joined here
    // A joined thread may stay listed for a moment while the kernel tears it down.
    EXPECT_TRUE(eventually([&] { return threads_of_this_process() == threads_watching; }));
  }
  EXPECT_TRUE(eventually([&] { return threads_of_this_process() == threads_watching - 1; }));
}

TEST_F(logger_test, a_second_start_replaces_writer_and_watcher) {
  write_settings(settings_xml("true", "INFO"));
  Logger logger(1ms);
  start(logger, true);
  logger.write(make_record(cpplogger::level_info, u"first"));
  logger.start(u16(directory.path()), u"logger.xml", u16(directory.path()), u"other", true, {});
  logger.write(make_record(cpplogger::level_info, u"second"));
  EXPECT_EQ(log_text(), "2016/05/04 13:07:21 4242 INFO first\r\n");
  EXPECT_EQ(read_bytes(directory.path() / "other.log"), "2016/05/04 13:07:21 4242 INFO second\r\n");
}

}  // namespace
