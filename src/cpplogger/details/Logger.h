#pragma once
// The real logger: settings from a watched XML file, records to the developer log.
#include <chrono>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "cpplogger/details/logger_interface.h"

namespace cpplogger::details {

class filestream_logger;
class settings_watcher;

class Logger final : public logger_interface {
 public:
  static constexpr std::chrono::milliseconds default_poll_interval{3000};

  // poll_interval: how often the watcher looks at the settings file.
  explicit Logger(std::chrono::milliseconds poll_interval = default_poll_interval);
  ~Logger() override;

  void start(const std::u16string& configs_directory, const std::u16string& config_file_name,
             const std::u16string& logs_directory, const std::u16string& log_base_name, bool watch,
             on_change_callback on_change) override;
  void stop_watching() override;
  void reload_settings() override;
  logger_settings get_settings() const override;
  std::u16string get_config_file_path() const override;
  std::u16string get_logs_directory() const override;
  std::u16string get_log_base_name() const override;
  bool is_watching() const override;
  void write(const message& record) override;

  // One look at the settings file: reloads when its last-write time has changed.
  void poll_settings_file();

 private:
  logger_settings forced_into_range(const logger_settings& settings, const std::u16string& path) const;
  std::shared_ptr<filestream_logger> current_writer() const;

  const std::chrono::milliseconds poll_interval_;
  // Guarded by lock_.
  logger_settings settings_;
  std::u16string config_file_path_;
  uint64_t last_write_time_ = 0;
  on_change_callback on_change_;
  bool watch_ = false;
  std::unique_ptr<settings_watcher> watcher_;
  std::shared_ptr<filestream_logger> writer_;
  mutable std::shared_mutex lock_;
};

}  // namespace cpplogger::details
