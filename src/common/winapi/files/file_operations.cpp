#include "common/winapi/files/file_operations.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/winapi/files/file_path.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

bool rename_file(std::u16string_view old_path, std::u16string_view new_path) {
  const auto native_old = to_utf8_path(old_path);
  const auto native_new = to_utf8_path(new_path);
  if (!native_old || !native_new) return false;
  if (::renameat2(AT_FDCWD, native_old->c_str(), AT_FDCWD, native_new->c_str(), RENAME_NOREPLACE) != 0) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

bool remove_file(std::u16string_view path) {
  const auto native = to_utf8_path(path);
  if (!native) return false;
  if (::unlink(native->c_str()) != 0) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

bool create_directory(std::u16string_view path) {
  const auto native = to_utf8_path(path);
  if (!native) return false;
  if (::mkdir(native->c_str(), 0777) != 0) {
    if (errno == EEXIST) {
      set_last_error(error_already_exists);
    } else {
      set_last_error_from_errno();
    }
    return false;
  }
  return true;
}

}  // namespace winapi
