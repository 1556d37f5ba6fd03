#pragma once
// The process-wide logger. Safe to call from any thread from the first statement of
// the process on: before init_logger a stand-by instance is in place.
#include <memory>
#include <string>
#include <string_view>

#include "cpplogger/details/logger_interface.h"
#include "cpplogger/levels.h"
#include "cpplogger/settings.h"

namespace cpplogger {

// Creates and starts the real logger once; false when it was already initialised.
bool init_logger(const std::u16string& configs_directory, const std::u16string& config_file_name,
                 const std::u16string& logs_directory, const std::u16string& log_base_name, bool watch,
                 details::on_change_callback on_change);

// Empties every thread's history buffer.
void clear_history();

std::shared_ptr<details::logger_interface> get_instance();

// The one call behind all logging: every record enters the history, then the developer
// log when that is on.
void log(int32_t level, std::u16string_view text);

logger_settings get_settings();
std::u16string get_logs_directory();
std::u16string get_log_base_name();

namespace details {
// Scope nesting depth of the calling thread.
int32_t& thread_scope_depth();
}  // namespace details

}  // namespace cpplogger
