#pragma once
// Base of the loggers that tests put in place of the process-wide instance: the
// developer log is on at TRACE and every record reaches write().
#include "cpplogger/details/logger_interface.h"

namespace test_support {

class writing_logger : public cpplogger::details::logger_interface {
 public:
  void start(const std::u16string&, const std::u16string&, const std::u16string&, const std::u16string&, bool,
             cpplogger::details::on_change_callback) override {}
  void stop_watching() override {}
  void reload_settings() override {}
  cpplogger::logger_settings get_settings() const override {
    cpplogger::logger_settings settings;
    settings.use_developer_log = true;
    return settings;
  }
  std::u16string get_config_file_path() const override { return {}; }
  std::u16string get_logs_directory() const override { return {}; }
  std::u16string get_log_base_name() const override { return {}; }
  bool is_watching() const override { return false; }
};

}  // namespace test_support
