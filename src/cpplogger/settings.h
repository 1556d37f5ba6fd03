#pragma once
#include <cstdint>

namespace cpplogger {

// Logger limits; the defaults hold whenever the settings file gives nothing usable.
struct logger_settings {
  int32_t level = 0;  // minimum level written to the developer log
  bool use_developer_log = false;
  int64_t max_buffer_size = 0x100000;  // history buffer per thread, bytes
  int64_t max_file_size = 0x100000;    // developer log file, bytes
  int32_t max_backup_index = 4;        // kept developer log generations

  bool operator==(const logger_settings&) const = default;
};

}  // namespace cpplogger
