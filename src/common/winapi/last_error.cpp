#include "common/winapi/last_error.h"

#include <cerrno>

namespace winapi {

namespace {
thread_local uint32_t last_error = error_success;
}

uint32_t get_last_error() { return last_error; }

void set_last_error(uint32_t value) { last_error = value; }

uint32_t errno_to_win32(int error_number) {
  switch (error_number) {
    case 0: return error_success;
    case ENOENT: return error_file_not_found;
    case ENOTDIR: return error_path_not_found;
    case EACCES:
    case EPERM:
    case EISDIR: return error_access_denied;
    case EBADF: return error_invalid_handle;
    case ENOMEM: return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case EMFILE:
    case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EXDEV: return 17;  // ERROR_NOT_SAME_DEVICE
    case EROFS: return 19;  // ERROR_WRITE_PROTECT
    case EBUSY:
    case ETXTBSY: return 32;  // ERROR_SHARING_VIOLATION
    case ENOSYS:
    case ENOTSUP: return 50;  // ERROR_NOT_SUPPORTED
    case EEXIST: return error_file_exists;
    case EINVAL:
    case ESPIPE: return error_invalid_parameter;
    case EPIPE: return error_broken_pipe;
    case ENOSPC:
    case EDQUOT: return error_disk_full;
    case ENOTEMPTY: return 145;     // ERROR_DIR_NOT_EMPTY
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case EFBIG: return 223;         // ERROR_FILE_TOO_LARGE
    case ETIMEDOUT: return 1460;    // ERROR_TIMEOUT
    case EIO: return 1117;          // ERROR_IO_DEVICE
    case ELOOP: return 1921;        // ERROR_CANT_RESOLVE_FILENAME
    default: return 31;             // ERROR_GEN_FAILURE
  }
}

uint32_t set_last_error_from_errno() {
  const uint32_t value = errno_to_win32(errno);
  set_last_error(value);
  return value;
}

}  // namespace winapi
