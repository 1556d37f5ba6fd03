#include "common/winapi/process/last_error.h"

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
    case ENOMEM: return error_not_enough_memory;
    case EMFILE:
    case ENFILE: return error_too_many_open_files;
    case EXDEV: return error_not_same_device;
    case EROFS: return error_write_protect;
    case EBUSY:
    case ETXTBSY: return error_sharing_violation;
    case ENOSYS:
    case ENOTSUP: return error_not_supported;
    case EEXIST: return error_file_exists;
    case EINVAL:
    case ESPIPE: return error_invalid_parameter;
    case EPIPE: return error_broken_pipe;
    case ENOSPC:
    case EDQUOT: return error_disk_full;
    case ENOTEMPTY: return error_dir_not_empty;
    case ENAMETOOLONG: return error_filename_exced_range;
    case EFBIG: return error_file_too_large;
    case ETIMEDOUT: return error_timeout;
    case EIO: return error_io_device;
    case ELOOP: return error_cant_resolve_filename;
    default: return error_gen_failure;
  }
}

uint32_t set_last_error_from_errno() {
  const uint32_t value = errno_to_win32(errno);
  set_last_error(value);
  return value;
}

}  // namespace winapi
