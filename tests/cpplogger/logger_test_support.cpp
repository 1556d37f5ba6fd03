#include "logger_test_support.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <mutex>
#include <shared_mutex>
#include <sstream>
#include <utility>

#include "common/text.h"
#include "common/winapi/process/environment.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/details/instance_holder.h"
#include "debugger_output_sink.h"

namespace logger_tests {

namespace {

std::filesystem::path debug_output_path() {
  return std::filesystem::temp_directory_path() /
         ("ferrowick-logger-tests-" + std::to_string(winapi::current_process_id()) + ".txt");
}

// Set before main, ahead of the first debugger message and the first local time.
const bool environment_ready = [] {
  collect_debugger_output(debug_output_path());
  winapi::set_environment_variable("TZ", "UTC");
  ::tzset();
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove(debug_output_path(), ignored);
  });
  return true;
}();

std::uintmax_t debug_output_size() {
  wait_for_debugger_output();
  std::error_code missing;
  const auto size = std::filesystem::file_size(debug_output_path(), missing);
  return missing ? 0 : size;
}

}  // namespace

cpplogger::message make_record(int32_t level, std::u16string text, int32_t depth, uint32_t thread_id) {
  return cpplogger::message{level, depth, std::move(text), thread_id, fixed_ticks};
}

debug_output::debug_output() : start_(debug_output_size()) {}

std::string debug_output::text() const {
  wait_for_debugger_output();
  std::ifstream file(debug_output_path(), std::ios::binary);
  file.seekg(static_cast<std::streamoff>(start_));
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string settings_xml(std::string_view use_developer_log, std::string_view level, std::string_view max_backup_index,
                         std::string_view max_file_size, std::string_view max_buffer_size) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<log_settings>\n  <developer_log use_developer_log=\""
      << use_developer_log << "\" level=\"" << level << "\" max_backup_index=\"" << max_backup_index
      << "\" max_file_size=\"" << max_file_size << "\"/>\n  <history_log max_buffer_size=\"" << max_buffer_size
      << "\"/>\n</log_settings>\n";
  return xml.str();
}

std::u16string u16(const std::filesystem::path& path) { return common::utf8_to_utf16(path.string()); }

installed_logger::installed_logger(std::shared_ptr<cpplogger::details::logger_interface> instance) {
  auto& holder = cpplogger::details::holder;
  std::unique_lock lock(holder.holder_lock);
  previous_ = std::exchange(holder.instance, std::move(instance));
}

installed_logger::~installed_logger() {
  auto& holder = cpplogger::details::holder;
  std::unique_lock lock(holder.holder_lock);
  holder.instance = std::move(previous_);
}

}  // namespace logger_tests
