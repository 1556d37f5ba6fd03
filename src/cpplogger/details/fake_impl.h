#pragma once
#include "cpplogger/details/logger_interface.h"

namespace cpplogger::details {

// Stand-by logger in place before init_logger: no files, direct writes go to the
// debugger output.
class fake_impl final : public logger_interface {
 public:
  void start(const std::u16string& configs_directory, const std::u16string& config_file_name,
             const std::u16string& logs_directory, const std::u16string& log_base_name, bool watch,
             on_change_callback on_change) override;
  void stop_watching() override {}
  void reload_settings() override {}
  logger_settings get_settings() const override { return {}; }
  std::u16string get_config_file_path() const override;
  std::u16string get_logs_directory() const override { return logs_directory_; }
  std::u16string get_log_base_name() const override { return log_base_name_; }
  bool is_watching() const override { return false; }
  void write(const message& record) override;

 private:
  std::u16string configs_directory_;
  std::u16string config_file_name_;
  std::u16string logs_directory_;
  std::u16string log_base_name_;
};

}  // namespace cpplogger::details
