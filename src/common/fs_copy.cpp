// Copies and moves that never leave a partial file under the destination's name: the
// content goes to a temporary file beside the destination and is renamed over it only
// once it is complete and on disk.
#include <string_view>
#include <vector>

#include "common/fs_utils.h"
#include "common/path_helpers.h"
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

std::u16string directory_of(const std::u16string& path) {
  const auto slash = path.find_last_of(u'/');
  if (slash == std::u16string::npos) return u".";
  return slash == 0 ? u"/" : path.substr(0, slash);
}

std::u16string file_name_of(const std::u16string& path) {
  const auto slash = path.find_last_of(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

void rename_over(const std::u16string& source, const std::u16string& destination) {
  if (!winapi::replace_file_by_rename(source, destination)) {
    FW_THROW(win32::exception("MoveFileExW"), "failed for file '", source, "' to '", destination, "'");
  }
}

// The temporary beside a destination: one fixed name per destination name, so that a
// copy killed half-way leaves a file that the next copy to that destination overwrites,
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

// Writes a complete copy of source beside destination, then renames it over destination.
void place_copy(const std::u16string& source, const std::u16string& destination) {
  const std::u16string temporary =
      path_helpers::join_path(directory_of(destination), temporary_name_for(file_name_of(destination)));
  common::handle_holder file(
      winapi::create_file(temporary, winapi::generic_write, winapi::creation_disposition::create_always));
  if (!file.valid()) FW_THROW(win32::exception("CreateFileW"), "failed for file '", temporary, "'");
  try {
    details::copy_file_with_block_processing(source, file.get(), destination, details::create_handle_kernel);
    file.close();
    rename_over(temporary, destination);
  } catch (...) {
    file.close();
    winapi::remove_file(temporary);
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
  place_copy(source, destination);
  // The destination is complete; a source that cannot be removed is only a leftover.
  if (delete_source && !winapi::remove_file(source)) {
    FW_LOG(cpplogger::level_warn) << "Could not delete moved file " << source
                                  << ". Error: " << winapi::get_last_error();
  }
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
