#pragma once
// Stand-ins for the Windows file calls on raw handles, for owners such as
// common::handle_holder. Each returns as its Windows counterpart does (a handle or
// invalid_handle_value, true or false) and sets the last error on failure. Of the share
// modes Linux models only the one that guards placed files: an open without write
// sharing makes later opens for writing by anyone fail with 32 (ERROR_SHARING_VIOLATION),
// through open-file-description locks that only these stand-ins look at. Path queries
// live in file_attributes.h, removal and renaming without replacement in
// file_operations.h.
#include <cstdint>
#include <string>

#include "common/winapi/files/file_attributes.h"
#include "common/winapi/process/handle.h"

namespace winapi {

constexpr uint32_t generic_read = 0x80000000;
constexpr uint32_t generic_write = 0x40000000;
constexpr uint32_t file_append_data = 0x4;
constexpr uint32_t delete_access = 0x10000;

constexpr uint32_t file_share_read = 0x1;
constexpr uint32_t file_share_write = 0x2;
constexpr uint32_t file_share_delete = 0x4;
constexpr uint32_t file_share_all = file_share_read | file_share_write | file_share_delete;

enum class creation_disposition {
  create_new = 1,
  create_always = 2,
  open_existing = 3,
  open_always = 4,
  truncate_existing = 5
};

constexpr uint32_t file_flag_write_through = 0x80000000;

// CreateFileW. create_always and open_always on an existing file succeed with the last
// error set to 183 (ERROR_ALREADY_EXISTS).
handle_t create_file(const std::u16string& path, uint32_t access, creation_disposition disposition, uint32_t flags = 0,
                     uint32_t share = file_share_all);

// A new file that only this process uses until it closes it: CREATE_NEW, never through a
// link (an existing name fails with 80, ERROR_FILE_EXISTS), read, write and delete access,
// no sharing, and an access list of its own: on Windows LocalSystem, Administrators and
// the process's user with full control, protected from inherited entries; on Linux mode
// 0600.
handle_t create_private_file(const std::u16string& path);

// Gives the open file the name destination, replacing a file of that name, and flushes
// the rename to disk: SetFileInformationByHandle(FileRenameInfo) on a handle with delete
// access, so the file renamed is the one open whatever happened to its name. 17
// (ERROR_NOT_SAME_DEVICE) across volumes. Linux renames current_path, which must still
// name the open file (else 2, ERROR_FILE_NOT_FOUND): it has no rename by descriptor.
bool rename_open_file(handle_t file, const std::u16string& current_path, const std::u16string& destination);

// ReadFile / WriteFile: the whole count unless the file ends first (reading) or a
// failure stops it; *done receives the bytes moved.
bool read_file(handle_t file, void* buffer, uint32_t count, uint32_t* done);
bool write_file(handle_t file, const void* buffer, uint32_t count, uint32_t* done);

bool flush_file_buffers(handle_t file);

enum class move_method { file_begin = 0, file_current = 1, file_end = 2 };
// SetFilePointerEx; new_position may be null.
bool set_file_pointer_ex(handle_t file, int64_t distance, int64_t* new_position, move_method method);
bool get_file_size_ex(handle_t file, int64_t* size);
// SetEndOfFile: the file ends at the current position.
bool set_end_of_file(handle_t file);
// GetFileInformationByHandle reduced to the file's identity: the file the handle has
// open, whatever name it has now.
bool get_file_identity_by_handle(handle_t file, file_identity* identity);

// GetFileTime reduced to the last-write time (FILETIME: 100 ns since 1601-01-01 UTC).
bool get_file_last_write_time(handle_t file, uint64_t* filetime);

// MoveFileExW with MOVEFILE_REPLACE_EXISTING and MOVEFILE_WRITE_THROUGH, restricted to one
// file system (no copy fallback): fails with 17 (ERROR_NOT_SAME_DEVICE) across them.
bool replace_file_by_rename(const std::u16string& source, const std::u16string& destination);

// GetFullPathNameW: the absolute, lexically normalised form of path.
bool get_full_path_name(const std::u16string& path, std::u16string* full_path);

// GetTempPath2W (GetTempPathW where the system lacks it; LocalSystem's private folder):
// TMPDIR, or /tmp, with a trailing '/'.
std::u16string get_temp_path();

}  // namespace winapi
