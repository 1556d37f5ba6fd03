#include "cpplogger/details/Logger.h"

#include <mutex>
#include <system_error>
#include <utility>

#include "common/fs_utils.h"
#include "common/path_helpers.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/debug_output.h"
#include "cpplogger/details/current_settings.h"
#include "cpplogger/details/file_functions.h"
#include "cpplogger/details/filestream_logger.h"
#include "cpplogger/details/history_archiving.h"
#include "cpplogger/details/instance_holder.h"
#include "cpplogger/details/settings_reader.h"
#include "cpplogger/details/settings_watcher.h"
#include "cpplogger/logger.h"

namespace cpplogger {

namespace details {

namespace {

void report(const std::u16string& text) { winapi::output_debug_string(text + u"\n"); }

void report_unreadable_settings(const std::exception& failure) {
  report(u"Could not read logger settings. Error: " + common::utf8_to_utf16_lenient(failure.what()));
}

}  // namespace

Logger::Logger(std::chrono::milliseconds poll_interval) : poll_interval_(poll_interval) {}

Logger::~Logger() {
  writer_.reset();
  watcher_.reset();
}

void Logger::start(const std::u16string& configs_directory, const std::u16string& config_file_name,
                   const std::u16string& logs_directory, const std::u16string& log_base_name, bool watch,
                   on_change_callback on_change) {
  const std::u16string path = path_helpers::join_path(configs_directory, config_file_name);
  logger_settings settings;
  uint64_t last_write_time = 0;
  try {
    settings = read_settings(path);
    last_write_time = fs_utils::get_file_last_write_time(path);
  } catch (const std::exception& failure) {
    report_unreadable_settings(failure);
  }
  if (settings != logger_settings{}) settings = forced_into_range(settings, path);
  // History files left by an earlier run go into an archive before anything new is dumped.
  archive_history_files(log_base_name, logs_directory, settings);

  std::unique_ptr<settings_watcher> watcher;
  if (watch) {
    try {
      watcher = std::make_unique<settings_watcher>(poll_interval_);
    } catch (const std::system_error&) {
      // No thread, no watching: the logger works with the settings it has.
    }
  }
  settings_watcher* const new_watcher = watcher.get();
  auto writer = std::make_shared<filestream_logger>(logs_directory, log_base_name);

  {
    std::unique_lock lock(lock_);
    std::swap(watcher_, watcher);
    std::swap(writer_, writer);
    watch_ = watch;
    settings_ = settings;
    config_file_path_ = path;
    last_write_time_ = last_write_time;
    on_change_ = on_change;
  }
  settings_changed();
  if (on_change && settings.use_developer_log) on_change(true);
  if (new_watcher != nullptr) new_watcher->hand_over(*this);
  // The previous writer and watcher, if start ran before, go now, outside the lock.
  writer.reset();
  watcher.reset();
}

void Logger::stop_watching() {
  std::shared_lock lock(lock_);
  if (watcher_) watcher_->signal_stop();
}

void Logger::reload_settings() {
  logger_settings current;
  std::u16string path;
  {
    std::shared_lock lock(lock_);
    current = settings_;
    path = config_file_path_;
  }
  logger_settings fresh;
  try {
    fresh = read_settings(path);
  } catch (const internal_logger_exception& failure) {
    report_unreadable_settings(failure);
    return;
  }
  if (fresh == current) {
    report(u"Settings read from configuration file does not differ from the current settings.");
    return;
  }
  if (fresh != logger_settings{}) fresh = forced_into_range(fresh, path);

  bool switched = false;
  on_change_callback on_change;
  {
    std::unique_lock lock(lock_);
    switched = settings_.use_developer_log != fresh.use_developer_log;
    settings_ = fresh;
    on_change = on_change_;
  }
  settings_changed();
  if (switched && on_change) on_change(fresh.use_developer_log);
}

void Logger::poll_settings_file() {
  std::u16string path;
  uint64_t known_time = 0;
  {
    std::shared_lock lock(lock_);
    path = config_file_path_;
    known_time = last_write_time_;
  }
  if (path.empty() || !is_existing_file(path)) return;
  try {
    const uint64_t time = get_file_last_write_time(path);
    if (time == known_time) return;
    reload_settings();
    std::unique_lock lock(lock_);
    last_write_time_ = time;
  } catch (const std::exception& failure) {
    report(common::utf8_to_utf16_lenient(failure.what()));
  }
}

logger_settings Logger::get_settings() const {
  std::shared_lock lock(lock_);
  return settings_;
}

std::u16string Logger::get_config_file_path() const {
  std::shared_lock lock(lock_);
  return config_file_path_;
}

std::shared_ptr<filestream_logger> Logger::current_writer() const {
  std::shared_lock lock(lock_);
  return writer_;
}

std::u16string Logger::get_logs_directory() const {
  const auto writer = current_writer();
  return writer ? writer->directory() : std::u16string();
}

std::u16string Logger::get_log_base_name() const {
  const auto writer = current_writer();
  return writer ? writer->base_name() : std::u16string();
}

bool Logger::is_watching() const {
  std::shared_lock lock(lock_);
  return watch_;
}

void Logger::write(const message& record) {
  logger_settings settings;
  std::shared_ptr<filestream_logger> writer;
  {
    std::shared_lock lock(lock_);
    settings = settings_;
    writer = writer_;
  }
  // Compared unsigned, so UNKNOWN (-1) passes every configured level.
  if (static_cast<uint32_t>(record.level) < static_cast<uint32_t>(settings.level) || !writer) return;
  writer->write(record, settings);
}

logger_settings Logger::forced_into_range(const logger_settings& settings, const std::u16string& path) const {
  return force_into_range(
      settings, [&](std::u16string_view attribute, std::u16string_view old_value, std::u16string_view new_value) {
        report(common::concat("Replace current '", attribute, "' for file: ", path, " with value = ", new_value,
                              ". Original value was = ", old_value, "."));
      });
}

}  // namespace details

bool init_logger(const std::u16string& configs_directory, const std::u16string& config_file_name,
                 const std::u16string& logs_directory, const std::u16string& log_base_name, bool watch,
                 details::on_change_callback on_change) {
  auto& holder = details::holder;
  std::unique_lock init_lock(holder.init_lock);
  if (holder.initialised) return false;
  auto logger = std::make_shared<details::Logger>();
  logger->start(configs_directory, config_file_name, logs_directory, log_base_name, watch, std::move(on_change));
  std::shared_ptr<details::logger_interface> previous;
  {
    std::unique_lock lock(holder.holder_lock);
    previous = std::exchange(holder.instance, std::move(logger));
    holder.initialised = true;
  }
  return true;
}

}  // namespace cpplogger
