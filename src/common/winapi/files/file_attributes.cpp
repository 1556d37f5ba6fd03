#include "common/winapi/files/file_attributes.h"

#include <sys/stat.h>

#include "common/winapi/files/file_path.h"
#include "common/winapi/files/file_time.h"
#include "common/winapi/process/last_error.h"
#include "error_lib/win32_exception.h"

namespace winapi {

namespace {

std::optional<struct stat> status_of(std::u16string_view path) {
  const auto native = to_utf8_path(path);
  if (!native) return std::nullopt;
  struct stat status {};
  if (::stat(native->c_str(), &status) != 0) {
    set_last_error_from_errno();
    return std::nullopt;
  }
  return status;
}

}  // namespace

std::optional<file_attribute_data> get_file_attributes_ex(std::u16string_view path) {
  const auto status = status_of(path);
  if (!status) return std::nullopt;
  return file_attribute_data{S_ISDIR(status->st_mode), static_cast<int64_t>(status->st_size),
                             to_file_time(status->st_mtim)};
}

std::optional<file_identity> get_file_identity(std::u16string_view path) {
  const auto status = status_of(path);
  if (!status) return std::nullopt;
  return file_identity{static_cast<uint64_t>(status->st_dev), static_cast<uint64_t>(status->st_ino)};
}

bool readable_by_others(std::u16string_view path) {
  const auto status = status_of(path);
  if (!status) throw win32::exception("GetNamedSecurityInfoW");
  return (status->st_mode & (S_IRGRP | S_IROTH)) != 0;
}

}  // namespace winapi
