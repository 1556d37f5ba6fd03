// Copies and moves that never leave a partial file under the destination's name: the
// content goes to a temporary file beside the destination and is renamed over it only
// once it is complete and on disk.
#include <string_view>
#include <vector>

#include "common/fs_utils.h"
#include "common/path_helpers.h"
#include "common/path_system.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_operations.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace fs_utils {

namespace {

// The path of name in the folder of destination: the same folder, hence the same volume.
std::u16string beside(const std::u16string& destination, const std::u16string& name) {
  const auto separator = destination.find_last_of(path_helpers::details::separators());
  return separator == std::u16string::npos ? name : destination.substr(0, separator + 1) + name;
}

std::u16string file_name_of(const std::u16string& path) {
  const auto separator = path.find_last_of(path_helpers::details::separators());
  return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

// The temporary beside a destination: one fixed name per destination name, so that a
// copy killed half-way leaves a file that the next copy to that destination replaces,
// and short, so that every destination name that fits has a temporary that fits too.
// FNV-1a keeps the name the same across builds.
std::u16string temporary_name_for(const std::u16string& destination_name) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const char16_t unit : destination_name) {
    for (const uint8_t byte : {static_cast<uint8_t>(unit & 0xFF), static_cast<uint8_t>(unit >> 8)}) {
      hash = (hash ^ byte) * 0x100000001b3ull;
    }
  }
  return common::concat(u".", common::to_hex(hash, 16), u".copy");
}

std::u16string temporary_beside(const std::u16string& destination) {
  return beside(destination, temporary_name_for(file_name_of(destination)));
}

// Renames the held file through its handle and closes it; false, with the last error 17,
// across volumes.
bool rename_held_file(temp_file_with_handle& file, const std::u16string& destination) {
  if (winapi::rename_open_file(file.handle.get(), file.path, destination)) {
    file.path.clear();
    file.handle.close();
    return true;
  }
  if (winapi::get_last_error() == winapi::error_not_same_device) return false;
  FW_THROW(win32::exception("SetFileInformationByHandle"), "failed to rename '", file.path, "' to '", destination, "'");
}

// Writes a complete copy of source beside destination, then renames it over destination.
void place_copy(const std::u16string& source, const details::source_opener& open_source,
                const std::u16string& destination) {
  temp_file_with_handle temporary = create_private_temp_file(temporary_beside(destination));
  try {
    details::copy_file_with_block_processing(source, temporary.handle.get(), destination, open_source);
    // Beside the destination the rename never crosses a volume.
    if (!rename_held_file(temporary, destination)) {
      FW_THROW(win32::exception("SetFileInformationByHandle"), "failed for file '", temporary.path, "'");
    }
  } catch (...) {
    discard_held_file(temporary);
    throw;
  }
}

// A rename when both names are on one file system; false when they are not.
bool move_by_rename(const std::u16string& source, const std::u16string& destination) {
  {
    // The data reaches the disk before the name does; a flush needs write access.
    const common::handle_holder file(
        winapi::create_file(source, winapi::generic_write, winapi::creation_disposition::open_existing));
    if (!file.valid()) FW_THROW(win32::exception("CreateFileW"), "failed for file '", source, "'");
    details::flush_file_buffers(file.get());
  }
  if (winapi::replace_file_by_rename(source, destination)) return true;
  if (winapi::get_last_error() == winapi::error_not_same_device) return false;
  FW_THROW(win32::exception("MoveFileExW"), "failed for file '", source, "' to '", destination, "'");
}

}  // namespace

void copy_file(const std::u16string& source, const std::u16string& destination, bool delete_source) {
  FW_LOG_SCOPE();
  FW_LOG(cpplogger::level_trace) << "Copying " << source << " to " << destination << (delete_source ? " (moving)" : "");
  if (delete_source && move_by_rename(source, destination)) return;
  place_copy(source, details::create_handle_kernel, destination);
  // The destination is complete; a source that cannot be removed is only a leftover.
  if (delete_source && !winapi::remove_file(source)) {
    FW_LOG(cpplogger::level_warn) << "Could not delete moved file " << source
                                  << ". Error: " << winapi::get_last_error();
  }
}

temp_file_with_handle create_private_temp_file(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (file_exists(path)) delete_file(path);
  common::handle_holder file(winapi::create_private_file(path));
  if (!file.valid()) FW_THROW(win32::exception("CreateFileW"), "failed for file '", path, "'");
  return {path, std::move(file)};
}

temp_file_with_handle copy_to_private_file(const std::u16string& source, const std::u16string& path) {
  FW_LOG_SCOPE();
  // A missing source creates nothing.
  common::handle_holder source_file = details::create_handle_kernel(source);
  temp_file_with_handle file = create_private_temp_file(path);
  try {
    details::copy_file_with_block_processing(source, file.handle.get(), path,
                                             [&](const std::u16string&) { return std::move(source_file); });
  } catch (...) {
    discard_held_file(file);
    throw;
  }
  return file;
}

void place_held_file(temp_file_with_handle& file, const std::u16string& destination) {
  FW_LOG_SCOPE();
  FW_LOG(cpplogger::level_trace) << "Placing " << file.path << " as " << destination;
  details::flush_file_buffers(file.handle.get());
  if (rename_held_file(file, destination)) return;
  set_file_pointer(file.handle.get(), 0);
  // The copy reads through the held handle, which stays open and is not the copy's to close.
  place_copy(
      file.path,
      [&](const std::u16string&) { return common::handle_holder(file.handle.get(), [](winapi::handle_t) {}); },
      destination);
  discard_held_file(file);
  file.path.clear();
}

void discard_held_file(temp_file_with_handle& file) {
  FW_LOG_SCOPE();
  file.handle.close();
  if (!file.path.empty() && file_exists(file.path)) delete_file(file.path);
}

namespace details {

void copy_file_with_block_processing(const std::u16string& source, winapi::handle_t destination,
                                     const std::u16string& destination_name, const source_opener& open_source,
                                     uint64_t block_size) {
  FW_LOG_SCOPE();
  const common::handle_holder source_file = open_source(source);
  uint64_t remaining = get_file_size(source_file.get());
  if (block_size == 0 || block_size >= 0xFFFFFFFFull) {
    FW_THROW(common::application_exception(common::error_block_size_out_of_range), "block size = ", block_size);
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(block_size, remaining)));
  while (remaining > 0) {
    const auto count = static_cast<uint32_t>(std::min(block_size, remaining));
    uint32_t done = 0;
    if (!winapi::read_file(source_file.get(), buffer.data(), count, &done)) {
      FW_THROW(win32::exception("ReadFile"), "failed for file '", source, "'");
    }
    if (done != count) {
      winapi::set_last_error(winapi::error_handle_eof);
      FW_THROW(win32::exception("ReadFile"), "failed (unexpected I/O bytes count) for file '", source, "'");
    }
    if (!winapi::write_file(destination, buffer.data(), count, &done)) {
      FW_THROW(win32::exception("WriteFile"), "failed for file '", destination_name, "'");
    }
    remaining -= count;
  }
  flush_file_buffers(destination);
}

}  // namespace details

}  // namespace fs_utils
