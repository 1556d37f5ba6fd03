#pragma once
// The one place where the worker touches files: existence tests, sizes, small whole-file
// reads, positioned writes on open handles, block copies that place their destination
// atomically, unique temporary files, deletion, directory creation and last-write times.
// Every failure raises common::application_exception (win32 or application category).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/handle_holder.h"

namespace fs_utils {

constexpr uint64_t copy_block_size = 16 * 1024 * 1024;
constexpr uint64_t max_read_file_size = 64 * 1024;

struct temp_file_with_handle {
  std::u16string path;
  common::handle_holder handle;
};

// True for an existing file or directory. An empty path raises 5157.
bool file_exists(const std::u16string& path);
// True only for an existing directory. An empty path raises 5367.
bool directory_exists(const std::u16string& path);

uint64_t get_file_size(winapi::handle_t handle);
// An empty path raises 5157.
uint64_t get_file_size(const std::u16string& path);

// The whole file, opened by its wide name; files above max_read_file_size raise 5316.
std::vector<uint8_t> read_file(const std::u16string& path);
// The same from the start of a file already open for reading; name is for the messages.
std::vector<uint8_t> read_file(winapi::handle_t handle, const std::u16string& name);

// One write call; returns the bytes written, which the caller compares.
uint32_t write_file(winapi::handle_t handle, const void* data, uint64_t count);

// Absolute position from the start of the file; a negative offset raises 5358.
void set_file_pointer(winapi::handle_t handle, int64_t offset);
uint64_t get_file_pointer(winapi::handle_t handle);
// Cuts the file (or extends it with zeros) to length bytes and puts the pointer there.
void set_file_length(winapi::handle_t handle, uint64_t length);

// Copies source to destination in copy_block_size blocks and replaces an existing
// destination atomically: the new content is written under a temporary name beside the
// destination, flushed to disk and renamed over it, so a failure leaves the old
// destination intact and no temporary file behind. With delete_source the source is
// moved (a rename when both are on one file system) and removed only once the
// destination is in place; a failed move keeps the source.
void copy_file(const std::u16string& source, const std::u16string& destination, bool delete_source);

// A temporary file for this process alone, held open until it is placed or discarded:
// a leftover of the name (anyone's) is deleted first, then the file is made new by
// winapi::create_private_file, so nobody else can write, rename or delete it meanwhile.
temp_file_with_handle create_private_temp_file(const std::u16string& path);

// A private temporary file at path holding a block copy of source, flushed to disk.
// A failure leaves no file at path.
temp_file_with_handle copy_to_private_file(const std::u16string& source, const std::u16string& path);

// Moves the held file to destination, replacing it: renamed through its handle, so the
// bytes placed are the bytes written or checked through it; across volumes copied
// into a private temporary beside destination that is renamed there, and then deleted.
// Afterwards the holder is closed and its path empty, so that discarding it deletes
// nothing; a failure leaves the held file as it was.
void place_held_file(temp_file_with_handle& file, const std::u16string& destination);

// Closes the held file and deletes it when it still exists; nothing for an empty path.
void discard_held_file(temp_file_with_handle& file);

// True when both paths name one existing file, also through links; false when either
// does not exist.
bool is_same_file(const std::u16string& first, const std::u16string& second);

// A missing file raises the Windows error of DeleteFileW (2).
void delete_file(const std::u16string& path);

// Creates the directory unless one of that name exists; its parent must exist.
void create_directory(const std::u16string& path);

// The user's temporary directory with its trailing '/'.
std::u16string get_temp_path();

// Creates a new empty file named prefix + a number from 1 to 999,999 in directory.
// An empty directory raises 5170, a null prefix 5171, a lost race for the name 5002.
temp_file_with_handle create_unique_temp_file_with_handle(const std::u16string& directory, const char16_t* prefix);

std::u16string get_full_path_name(const std::u16string& path);

// FILETIME value: 100-ns intervals since 1601-01-01 UTC. An empty path raises
// std::invalid_argument.
uint64_t get_file_last_write_time(const std::u16string& path);

namespace details {

void flush_file_buffers(winapi::handle_t handle);

// Opens an existing file for reading.
common::handle_holder create_handle_kernel(const std::u16string& path);

using source_opener = std::function<common::handle_holder(const std::u16string&)>;

// The block loop: reads the source through open_source and writes the destination
// handle, then flushes it.
void copy_file_with_block_processing(const std::u16string& source, winapi::handle_t destination,
                                     const std::u16string& destination_name, const source_opener& open_source,
                                     uint64_t block_size = copy_block_size);

// prefix + a random number from 1 to 999,999 that no file in directory has yet.
std::u16string generate_unique_name(const std::u16string& directory, const std::u16string& prefix);

}  // namespace details

}  // namespace fs_utils
