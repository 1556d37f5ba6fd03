#include "common/winapi/files/file_api.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "common/text.h"
#include "common/winapi/files/file_path.h"
#include "common/winapi/files/file_time.h"
#include "common/winapi/files/write_all.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

int descriptor_of(handle_t file) {
  if (file <= 0 || file > INT_MAX) {
    set_last_error(error_invalid_handle);
    return -1;
  }
  return static_cast<int>(file);
}

int open_flags(uint32_t access, creation_disposition disposition, uint32_t flags) {
  const bool reads = (access & generic_read) != 0;
  const bool writes = (access & (generic_write | file_append_data)) != 0;
  int result = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
  if ((access & file_append_data) != 0 && (access & generic_write) == 0) result |= O_APPEND;
  if ((flags & file_flag_write_through) != 0) result |= O_DSYNC;
  switch (disposition) {
    case creation_disposition::create_new: result |= O_CREAT | O_EXCL; break;
    case creation_disposition::create_always: result |= O_CREAT | O_TRUNC; break;
    case creation_disposition::open_existing: break;
    case creation_disposition::open_always: result |= O_CREAT; break;
    case creation_disposition::truncate_existing: result |= O_TRUNC; break;
  }
  return result;
}

bool status_of(handle_t file, struct stat& status) {
  const int descriptor = descriptor_of(file);
  if (descriptor < 0) return false;
  if (::fstat(descriptor, &status) == 0) return true;
  set_last_error_from_errno();
  return false;
}

bool exists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

// A lock on one byte far beyond any content marks an open that denies write sharing.
// Open-file-description locks belong to the open, not the process, as share modes do.
flock deny_write_marker(short type) {
  flock lock{};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = std::numeric_limits<off_t>::max() - 1;
  lock.l_len = 1;
  return lock;
}

bool mark_write_denied(int descriptor, bool readable) {
  flock lock = deny_write_marker(readable ? F_RDLCK : F_WRLCK);
  if (::fcntl(descriptor, F_OFD_SETLK, &lock) == 0) return true;
  set_last_error(errno == EAGAIN || errno == EACCES ? error_sharing_violation : errno_to_win32(errno));
  return false;
}

bool write_denied_by_another(int descriptor) {
  flock lock = deny_write_marker(F_WRLCK);
  return ::fcntl(descriptor, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// The share-mode checks of an open: false, with the descriptor closed, when they refuse it.
bool apply_share_mode(int descriptor, int open_as, uint32_t share) {
  const int mode = open_as & O_ACCMODE;
  if (mode != O_RDONLY && write_denied_by_another(descriptor)) {
    ::close(descriptor);
    set_last_error(error_sharing_violation);
    return false;
  }
  if ((share & file_share_write) == 0 && !mark_write_denied(descriptor, mode != O_WRONLY)) {
    const uint32_t error = get_last_error();
    ::close(descriptor);
    set_last_error(error);
    return false;
  }
  return true;
}

bool same_file(const struct stat& first, const struct stat& second) {
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

handle_t create_file(const std::u16string& path, uint32_t access, creation_disposition disposition, uint32_t flags,
                     uint32_t share) {
  const auto native = to_utf8_path(path);
  if (!native) return invalid_handle_value;
  const bool existed =
      (disposition == creation_disposition::create_always || disposition == creation_disposition::open_always) &&
      exists(*native);
  const int open_as = open_flags(access, disposition, flags);
  int descriptor;
  do {
    descriptor = ::open(native->c_str(), open_as, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    // A file that may be created is missing only when its folder is, which Windows
    // reports as a missing path.
    if (errno == ENOENT && (open_as & O_CREAT) != 0) {
      set_last_error(error_path_not_found);
    } else {
      set_last_error_from_errno();
    }
    return invalid_handle_value;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    set_last_error(error_access_denied);
    return invalid_handle_value;
  }
  if (!apply_share_mode(descriptor, open_as, share)) return invalid_handle_value;
  descriptor = descriptor_off_zero(descriptor);
  if (descriptor < 0) return invalid_handle_value;
  set_last_error(existed ? error_already_exists : error_success);
  return descriptor;
}

handle_t create_private_file(const std::u16string& path) {
  const auto native = to_utf8_path(path);
  if (!native) return invalid_handle_value;
  constexpr int open_as = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int descriptor;
  do {
    descriptor = ::open(native->c_str(), open_as, 0600);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    set_last_error(errno == ENOENT ? error_path_not_found : errno_to_win32(errno));
    return invalid_handle_value;
  }
  if (!apply_share_mode(descriptor, open_as, 0)) return invalid_handle_value;
  descriptor = descriptor_off_zero(descriptor);
  if (descriptor < 0) return invalid_handle_value;
  set_last_error(error_success);
  return descriptor;
}

bool read_file(handle_t file, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const int descriptor = descriptor_of(file);
  if (descriptor < 0) return false;
  auto* bytes = static_cast<char*>(buffer);
  while (*done < count) {
    const ssize_t result = ::read(descriptor, bytes + *done, count - *done);
    if (result < 0) {
      if (errno == EINTR) continue;
      set_last_error_from_errno();
      return false;
    }
    if (result == 0) break;
    *done += static_cast<uint32_t>(result);
  }
  return true;
}

bool write_file(handle_t file, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const int descriptor = descriptor_of(file);
  if (descriptor < 0) return false;
  size_t written = 0;
  const int failure = write_all(descriptor, buffer, count, std::nullopt, written);
  *done = static_cast<uint32_t>(written);
  if (failure == 0) return true;
  errno = failure;
  set_last_error_from_errno();
  return false;
}

bool flush_file_buffers(handle_t file) {
  const int descriptor = descriptor_of(file);
  if (descriptor < 0) return false;
  // FlushFileBuffers needs a handle opened with write access.
  if ((::fcntl(descriptor, F_GETFL) & O_ACCMODE) == O_RDONLY) {
    set_last_error(error_access_denied);
    return false;
  }
  if (::fsync(descriptor) != 0) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

bool set_file_pointer_ex(handle_t file, int64_t distance, int64_t* new_position, move_method method) {
  const int descriptor = descriptor_of(file);
  if (descriptor < 0) return false;
  const int whence = method == move_method::file_begin     ? SEEK_SET
                     : method == move_method::file_current ? SEEK_CUR
                                                           : SEEK_END;
  const off_t position = ::lseek(descriptor, distance, whence);
  if (position < 0) {
    set_last_error_from_errno();
    return false;
  }
  if (new_position != nullptr) *new_position = position;
  return true;
}

bool set_end_of_file(handle_t file) {
  const int descriptor = descriptor_of(file);
  if (descriptor < 0) return false;
  const off_t position = ::lseek(descriptor, 0, SEEK_CUR);
  if (position < 0 || ::ftruncate(descriptor, position) != 0) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

bool get_file_size_ex(handle_t file, int64_t* size) {
  struct stat status {};
  if (!status_of(file, status)) return false;
  *size = status.st_size;
  return true;
}

bool get_file_identity_by_handle(handle_t file, file_identity* identity) {
  struct stat status {};
  if (!status_of(file, status)) return false;
  *identity = file_identity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
  return true;
}

bool get_file_last_write_time(handle_t file, uint64_t* filetime) {
  struct stat status {};
  if (!status_of(file, status)) return false;
  *filetime = to_file_time(status.st_mtim);
  return true;
}

bool replace_file_by_rename(const std::u16string& source, const std::u16string& destination) {
  const auto native_source = to_utf8_path(source);
  const auto native_destination = to_utf8_path(destination);
  if (!native_source || !native_destination) return false;
  if (::rename(native_source->c_str(), native_destination->c_str()) != 0) {
    set_last_error_from_errno();
    return false;
  }
  // The rename itself reaches the disk with the directory that holds the new name.
  const std::string directory = std::filesystem::path(*native_destination).parent_path().string();
  const int descriptor = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    ::fsync(descriptor);
    ::close(descriptor);
  }
  return true;
}

bool get_full_path_name(const std::u16string& path, std::u16string* full_path) {
  const auto native = to_utf8_path(path);
  if (!native) return false;
  if (native->empty()) {
    set_last_error(error_invalid_parameter);
    return false;
  }
  std::error_code error;
  const auto absolute = std::filesystem::absolute(*native, error);
  if (error) {
    set_last_error(errno_to_win32(error.value()));
    return false;
  }
  *full_path = common::utf8_to_utf16(absolute.lexically_normal().string());
  return true;
}

bool rename_open_file(handle_t file, const std::u16string& current_path, const std::u16string& destination) {
  struct stat open_file {};
  if (!status_of(file, open_file)) return false;
  const auto native_current = to_utf8_path(current_path);
  if (!native_current) return false;
  struct stat named {};
  if (::lstat(native_current->c_str(), &named) != 0 || !same_file(named, open_file)) {
    set_last_error(error_file_not_found);
    return false;
  }
  return replace_file_by_rename(current_path, destination);
}

std::u16string get_temp_path() {
  const char* configured = std::getenv("TMPDIR");
  std::string directory = configured != nullptr && *configured != '\0' ? configured : "/tmp";
  if (directory.back() != '/') directory.push_back('/');
  return common::utf8_to_utf16(directory);
}

}  // namespace winapi
