#include "cpplogger/details/fake_impl.h"

#include "common/path_helpers.h"
#include "common/winapi/process/debug_output.h"

namespace cpplogger::details {

void fake_impl::start(const std::u16string& configs_directory, const std::u16string& config_file_name,
                      const std::u16string& logs_directory, const std::u16string& log_base_name, bool,
                      on_change_callback) {
  configs_directory_ = configs_directory;
  config_file_name_ = config_file_name;
  logs_directory_ = logs_directory;
  log_base_name_ = log_base_name;
}

std::u16string fake_impl::get_config_file_path() const {
  return path_helpers::join_path(configs_directory_, config_file_name_);
}

void fake_impl::write(const message& record) {
  winapi::output_debug_string(format_message(record, true, true) + u"\n");
}

}  // namespace cpplogger::details
