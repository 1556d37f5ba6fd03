#pragma once
#include <functional>
#include <string>

#include "cpplogger/message.h"
#include "cpplogger/settings.h"

namespace cpplogger::details {

// Called with the new use_developer_log value when it changes; may be empty.
using on_change_callback = std::function<void(bool)>;

class logger_interface {
 public:
  virtual ~logger_interface() = default;
  virtual void start(const std::u16string& configs_directory, const std::u16string& config_file_name,
                     const std::u16string& logs_directory, const std::u16string& log_base_name, bool watch,
                     on_change_callback on_change) = 0;
  virtual void stop_watching() = 0;
  virtual void reload_settings() = 0;
  virtual logger_settings get_settings() const = 0;
  virtual std::u16string get_config_file_path() const = 0;
  virtual std::u16string get_logs_directory() const = 0;
  virtual std::u16string get_log_base_name() const = 0;
  virtual bool is_watching() const = 0;
  virtual void write(const message& record) = 0;
};

}  // namespace cpplogger::details
