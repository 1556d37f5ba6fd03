#pragma once
// File-level pieces of the package format: exact reads and writes at the current
// position, section heads and file heads. Failed or short reads and writes raise the
// Windows error of the call; broken rules raise application codes.
#include <cstdint>
#include <string>

#include "common/handle_holder.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_serialization.h"

namespace updater {

// Reading only; other openers may read but not write.
common::handle_holder create_file_handle_for_reading(const std::u16string& path);
// Read and write; an existing file is emptied.
common::handle_holder create_file_handle_for_writing(const std::u16string& path);

// Exactly count bytes at the current position; a count above 32 bits raises 5163.
byte_buffer read_buffer_from_file(winapi::handle_t handle, uint64_t count);
// Fills the whole span from the current position.
void read_exactly(winapi::handle_t handle, uint8_t* data, uint32_t count);

// The short-read failure: the Windows error of ReadFile for the end of the file.
[[noreturn]] void raise_unexpected_end_of_file(uint64_t bytes_read);

void write_buffer_to_file(winapi::handle_t handle, const byte_buffer& bytes);
void write_exactly(winapi::handle_t handle, const uint8_t* data, uint32_t count);

// Reads a section head at the current position and returns its size, leaving the
// position at the first content byte. A wrong tag raises 5362; a size of 0 or one that
// runs past the end of the file raises 5360.
uint64_t check_section_tag_and_read_and_size(winapi::handle_t handle, const package_format::section_tag& tag);

struct file_name_and_size {
  std::u16string name;
  uint64_t data_size = 0;
};

// Name length, name and data size of a FILE section; the position is left at the first
// data byte.
file_name_and_size deserialize_file_name_and_size(winapi::handle_t handle);

}  // namespace updater
