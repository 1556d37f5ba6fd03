#include "cpplogger/details/file_functions.h"

#include <stdexcept>

#include "common/u16_stream.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/process/debug_output.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/details/log_text.h"

namespace cpplogger::details {

int64_t get_file_size(const std::u16string& path) {
  const auto attributes = winapi::get_file_attributes_ex(path);
  if (!attributes) {
    winapi::output_debug_string(
        common::concat("GetFileAttributesExW failed with error:", winapi::get_last_error(), "\n"));
    return 0;
  }
  if (attributes->size < 0) {
    winapi::output_debug_string(u"cpplogger get_file_size: Negative file size exception.");
    return 0;
  }
  return attributes->size;
}

bool is_existing_file(const std::u16string& path) {
  const auto attributes = winapi::get_file_attributes_ex(path);
  return attributes && !attributes->is_directory;
}

uint64_t get_file_last_write_time(const std::u16string& path) {
  if (path.empty())
    throw std::runtime_error("Invalid argument path were passed to the get_file_last_write_time function.");
  // Read from the directory entry rather than through an opened handle: the watcher may
  // still poll while the process exits, when no handle bookkeeping may be relied on.
  const auto attributes = winapi::get_file_attributes_ex(path);
  if (!attributes)
    throw std::runtime_error("CreateFileW failed with error: " + std::to_string(winapi::get_last_error()));
  return attributes->last_write_time;
}

}  // namespace cpplogger::details
