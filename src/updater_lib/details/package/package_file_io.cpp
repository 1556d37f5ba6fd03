#include "updater_lib/details/package/package_file_io.h"

#include <algorithm>
#include <limits>

#include "common/fs_utils.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace updater {

namespace {

constexpr uint32_t error_handle_eof = 38;

common::handle_holder open_package_file(const std::u16string& path, uint32_t access,
                                        winapi::creation_disposition disposition) {
  // Others may read the package while it is open, but neither write nor delete it.
  const winapi::handle_t handle = winapi::create_file(path, access, disposition, 0, winapi::file_share_read);
  if (handle == winapi::invalid_handle_value) {
    FW_THROW(win32::exception("CreateFile"), "file name = ", path);
  }
  return common::handle_holder(handle);
}

}  // namespace

common::handle_holder create_file_handle_for_reading(const std::u16string& path) {
  FW_LOG_SCOPE();
  return open_package_file(path, winapi::generic_read, winapi::creation_disposition::open_existing);
}

common::handle_holder create_file_handle_for_writing(const std::u16string& path) {
  FW_LOG_SCOPE();
  return open_package_file(path, winapi::generic_read | winapi::generic_write,
                           winapi::creation_disposition::create_always);
}

void raise_unexpected_end_of_file(uint64_t bytes_read) {
  winapi::set_last_error(error_handle_eof);
  FW_THROW(win32::exception("ReadFile"), "Unexpected amount of data was read from the file; read = ", bytes_read);
}

void read_exactly(winapi::handle_t handle, uint8_t* data, uint32_t count) {
  // A regular file returns less than asked only at its end; a partial read is retried
  // so that only the end of the file counts as short.
  uint32_t total = 0;
  while (total < count) {
    uint32_t done = 0;
    if (!winapi::read_file(handle, data + total, count - total, &done)) {
      FW_THROW(win32::exception("ReadFile"), "Read failed after ", total, " of ", count, " bytes");
    }
    if (done == 0) raise_unexpected_end_of_file(total);
    total += done;
  }
}

byte_buffer read_buffer_from_file(winapi::handle_t handle, uint64_t count) {
  FW_LOG_SCOPE();
  if (count > std::numeric_limits<uint32_t>::max()) {
    FW_THROW(common::application_exception(common::error_block_size_out_of_range), "block_size = ", count);
  }
  byte_buffer buffer(static_cast<size_t>(count));
  read_exactly(handle, buffer.data(), static_cast<uint32_t>(count));
  return buffer;
}

void write_exactly(winapi::handle_t handle, const uint8_t* data, uint32_t count) {
  uint32_t done = 0;
  if (!winapi::write_file(handle, data, count, &done)) {
    FW_THROW(win32::exception("WriteFile"), "Write of ", count, " bytes failed");
  }
  if (done != count) {
    winapi::set_last_error(winapi::error_disk_full);
    FW_THROW(win32::exception("WriteFile"), "Written ", done, " of ", count, " bytes");
  }
}

void write_buffer_to_file(winapi::handle_t handle, const byte_buffer& bytes) {
  FW_LOG_SCOPE();
  // Blocks of the writer are never near 4 GiB; larger vectors go in 32-bit pieces.
  constexpr size_t piece = std::numeric_limits<uint32_t>::max();
  for (size_t offset = 0; offset < bytes.size(); offset += piece) {
    write_exactly(handle, bytes.data() + offset, static_cast<uint32_t>(std::min(piece, bytes.size() - offset)));
  }
}

uint64_t check_section_tag_and_read_and_size(winapi::handle_t handle, const package_format::section_tag& tag) {
  FW_LOG_SCOPE();
  const uint64_t total = fs_utils::get_file_size(handle);
  const byte_buffer read_tag = read_buffer_from_file(handle, tag.size());
  if (!std::equal(tag.begin(), tag.end(), read_tag.begin(), read_tag.end())) {
    FW_THROW(common::application_exception(common::error_section_verification_failed), "Invalid section tag");
  }
  const uint64_t size = deserialize_uint64(read_buffer_from_file(handle, sizeof(uint64_t)));
  if (size == 0) {
    FW_THROW(common::application_exception(common::error_invalid_section_size), "Section size = 0");
  }
  const uint64_t position = fs_utils::get_file_pointer(handle);
  if (size > total - position) {
    FW_THROW(common::application_exception(common::error_invalid_section_size), "Section size = ", size,
             ", position = ", position, ", file size = ", total);
  }
  return size;
}

file_name_and_size deserialize_file_name_and_size(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  const uint32_t name_length = deserialize_uint32(read_buffer_from_file(handle, sizeof(uint32_t)));
  // The name must lie inside the file: checking first keeps a forged length from
  // allocating gigabytes.
  const uint64_t remaining = fs_utils::get_file_size(handle) - fs_utils::get_file_pointer(handle);
  if (name_length > remaining) raise_unexpected_end_of_file(remaining);
  const byte_buffer name_bytes = read_buffer_from_file(handle, name_length);
  file_name_and_size result;
  result.name.reserve(name_length / 2);
  for (size_t i = 0; i + 1 < name_bytes.size(); i += 2) {
    result.name.push_back(static_cast<char16_t>(name_bytes[i] | (name_bytes[i + 1] << 8)));
  }
  result.data_size = deserialize_uint64(read_buffer_from_file(handle, sizeof(uint64_t)));
  return result;
}

}  // namespace updater
