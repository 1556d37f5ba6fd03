#pragma once
// Helpers for the logger tests: the debugger output of this test process, files, and
// records with fixed times.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "cpplogger/details/logger_interface.h"
#include "cpplogger/message.h"

namespace logger_tests {

// 2016-05-04 13:07:21 UTC; the test process runs in UTC, so lines show this time.
constexpr int64_t fixed_ticks = 1'462'367'241LL * 10'000'000;

cpplogger::message make_record(int32_t level, std::u16string text, int32_t depth = 0, uint32_t thread_id = 4242);

// What the process sent to the debugger output since construction.
class debug_output {
 public:
  debug_output();
  std::string text() const;
  bool contains(std::string_view part) const { return text().find(part) != std::string::npos; }

 private:
  std::uintmax_t start_;
};

std::string read_bytes(const std::filesystem::path& path);
void write_bytes(const std::filesystem::path& path, std::string_view bytes);

// A settings file with the five attributes as given.
std::string settings_xml(std::string_view use_developer_log, std::string_view level,
                         std::string_view max_backup_index = "4", std::string_view max_file_size = "1048576",
                         std::string_view max_buffer_size = "1048576");

std::u16string u16(const std::filesystem::path& path);

// Puts instance in place of the process-wide logger while the object lives.
class installed_logger {
 public:
  explicit installed_logger(std::shared_ptr<cpplogger::details::logger_interface> instance);
  ~installed_logger();

 private:
  std::shared_ptr<cpplogger::details::logger_interface> previous_;
};

}  // namespace logger_tests
