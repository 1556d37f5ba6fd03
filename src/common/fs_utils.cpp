#include "common/fs_utils.h"

#include <stdexcept>

#include "common/u16_stream.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/files/file_operations.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace fs_utils {

namespace {

void require_valid(winapi::handle_t handle) {
  if (common::is_no_handle(handle)) {
    FW_THROW(common::application_exception(common::error_invalid_handle_passed),
             "The passed argument handle can't be invalid");
  }
}

void require_file_name(const std::u16string& path) {
  if (path.empty()) FW_THROW(common::application_exception(common::error_empty_file_name));
}

}  // namespace

bool file_exists(const std::u16string& path) {
  FW_LOG_SCOPE();
  require_file_name(path);
  return winapi::get_file_attributes_ex(path).has_value();
}

bool directory_exists(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (path.empty()) FW_THROW(common::application_exception(common::error_empty_directory_name));
  const auto attributes = winapi::get_file_attributes_ex(path);
  return attributes && attributes->is_directory;
}

uint64_t get_file_size(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  int64_t size = 0;
  if (!winapi::get_file_size_ex(handle, &size)) FW_THROW(win32::exception("GetFileSizeEx"));
  if (size < 0) FW_THROW(win32::exception("GetFileSizeEx"), "QuadPart = ", size);
  return static_cast<uint64_t>(size);
}

uint64_t get_file_size(const std::u16string& path) {
  FW_LOG_SCOPE();
  require_file_name(path);
  const auto attributes = winapi::get_file_attributes_ex(path);
  if (!attributes) FW_THROW(win32::exception("FindFirstFileW"), "failed for file '", path, "'");
  return attributes->is_directory ? 0 : static_cast<uint64_t>(attributes->size);
}

std::vector<uint8_t> read_file(const std::u16string& path) {
  FW_LOG_SCOPE();
  const uint64_t size = get_file_size(path);
  if (size > max_read_file_size) {
    FW_THROW(common::application_exception(common::error_file_too_large), "file_name: ", path, "; file size: ", size,
             "; max file size: ", max_read_file_size);
  }
  // By the wide name, as the runtime's _wfopen_s "rb" opens it: others may read and write.
  const common::handle_holder file(winapi::create_file(path, winapi::generic_read,
                                                       winapi::creation_disposition::open_existing, 0,
                                                       winapi::file_share_read | winapi::file_share_write));
  if (!file) FW_THROW(common::application_exception(common::error_cannot_open_for_reading), "file_name: ", path);
  return read_file(file.get(), path);
}

std::vector<uint8_t> read_file(winapi::handle_t handle, const std::u16string& name) {
  FW_LOG_SCOPE();
  const uint64_t size = get_file_size(handle);
  if (size > max_read_file_size) {
    FW_THROW(common::application_exception(common::error_file_too_large), "file_name: ", name, "; file size: ", size,
             "; max file size: ", max_read_file_size);
  }
  set_file_pointer(handle, 0);
  std::vector<uint8_t> content(size);
  uint32_t done = 0;
  if (!winapi::read_file(handle, content.data(), static_cast<uint32_t>(content.size()), &done) ||
      done != content.size()) {
    FW_THROW(common::application_exception(common::error_unexpected_file_read_amount), "file_name: ", name);
  }
  return content;
}

uint32_t write_file(winapi::handle_t handle, const void* data, uint64_t count) {
  FW_LOG_SCOPE();
  require_valid(handle);
  if (count == 0) return 0;
  if (data == nullptr) FW_THROW(common::application_exception(common::error_null_buffer));
  uint32_t written = 0;
  if (!winapi::write_file(handle, data, static_cast<uint32_t>(count), &written)) {
    FW_THROW(win32::exception("WriteFile"), "Failed Writing ", count, " bytes");
  }
  return written;
}

void set_file_pointer(winapi::handle_t handle, int64_t offset) {
  FW_LOG_SCOPE();
  require_valid(handle);
  if (offset < 0)
    FW_THROW(common::application_exception(common::error_invalid_file_pointer_argument), "offset = ", offset);
  if (!winapi::set_file_pointer_ex(handle, offset, nullptr, winapi::move_method::file_begin)) {
    FW_THROW(win32::exception("SetFilePointerEx"));
  }
}

void set_file_length(winapi::handle_t handle, uint64_t length) {
  FW_LOG_SCOPE();
  set_file_pointer(handle, static_cast<int64_t>(length));
  if (!winapi::set_end_of_file(handle)) FW_THROW(win32::exception("SetEndOfFile"));
}

uint64_t get_file_pointer(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  require_valid(handle);
  int64_t position = 0;
  if (!winapi::set_file_pointer_ex(handle, 0, &position, winapi::move_method::file_current)) {
    FW_THROW(win32::exception("SetFilePointerEx"));
  }
  if (position < 0)
    FW_THROW(common::application_exception(common::error_unexpected_file_pointer), "position = ", position);
  return static_cast<uint64_t>(position);
}

bool is_same_file(const std::u16string& first, const std::u16string& second) {
  FW_LOG_SCOPE();
  const auto first_identity = winapi::get_file_identity(first);
  return first_identity && first_identity == winapi::get_file_identity(second);
}

void delete_file(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (!winapi::remove_file(path)) FW_THROW(win32::exception("DeleteFileW"), "failed for file '", path, "'");
  FW_LOG(cpplogger::level_trace) << "File " << path << " was deleted successfully";
}

void create_directory(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (directory_exists(path)) return;
  if (!winapi::create_directory(path)) FW_THROW(win32::exception("CreateDirectoryW"), "failed for '", path, "'");
}

std::u16string get_temp_path() {
  FW_LOG_SCOPE();
  return winapi::get_temp_path();
}

std::u16string get_full_path_name(const std::u16string& path) {
  FW_LOG_SCOPE();
  std::u16string full_path;
  if (!winapi::get_full_path_name(path, &full_path)) FW_THROW(win32::exception("GetFullPathNameW"), "path = ", path);
  return full_path;
}

uint64_t get_file_last_write_time(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (path.empty()) throw std::invalid_argument("Empty path was passed.");
  const common::handle_holder file(
      winapi::create_file(path, winapi::generic_read, winapi::creation_disposition::open_existing));
  if (!file.valid()) FW_THROW(win32::exception("CreateFileW"), "Failed for path: ", path);
  uint64_t last_write = 0;
  if (!winapi::get_file_last_write_time(file.get(), &last_write)) {
    FW_THROW(win32::exception("GetFileTime"), "Failed for path: ", path);
  }
  return last_write;
}

namespace details {

void flush_file_buffers(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  require_valid(handle);
  if (!winapi::flush_file_buffers(handle)) {
    FW_THROW(win32::exception("FlushFileBuffers"), "Failed to flush file I/O buffers");
  }
}

common::handle_holder create_handle_kernel(const std::u16string& path) {
  FW_LOG_SCOPE();
  common::handle_holder file(winapi::create_file(
      path, winapi::generic_read, winapi::creation_disposition::open_existing, 0, winapi::file_share_read));
  if (!file.valid()) FW_THROW(win32::exception("CreateFileW"), "failed for file '", path, "'");
  return file;
}

}  // namespace details

}  // namespace fs_utils
