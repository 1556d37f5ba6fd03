#include <random>

#include "common/fs_utils.h"
#include "common/path_helpers.h"
#include "common/u16_stream.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace fs_utils {

namespace {
constexpr uint32_t unique_name_attempts = 999'998;
constexpr uint32_t largest_name_number = 999'999;
}  // namespace

namespace details {

std::u16string generate_unique_name(const std::u16string& directory, const std::u16string& prefix) {
  FW_LOG_SCOPE();
  std::mt19937 engine(std::random_device{}());
  std::uniform_int_distribution<uint32_t> numbers(1, largest_name_number);
  for (uint32_t attempt = 0; attempt < unique_name_attempts; ++attempt) {
    std::u16string name = common::concat(prefix, numbers(engine));
    if (!file_exists(path_helpers::join_path(directory, name))) return name;
  }
  FW_THROW(common::application_exception(common::error_unique_name_failed), "Failed to generate unique random name");
}

}  // namespace details

temp_file_with_handle create_unique_temp_file_with_handle(const std::u16string& directory, const char16_t* prefix) {
  FW_LOG_SCOPE();
  if (directory.empty()) FW_THROW(common::application_exception(common::error_empty_temp_path));
  if (prefix == nullptr) FW_THROW(common::application_exception(common::error_null_prefix));
  std::u16string path = path_helpers::join_path(directory, details::generate_unique_name(directory, prefix));
  common::handle_holder file(winapi::create_file(path, winapi::generic_read | winapi::generic_write,
                                                 winapi::creation_disposition::create_new, 0, 0));
  if (!file.valid()) {
    if (winapi::get_last_error() == winapi::error_file_exists) {
      FW_THROW(common::application_exception(common::error_unique_name_failed),
               "Failed to generate unique temp file name");
    }
    FW_THROW(win32::exception("CreateFileW"), "failed for file '", path, "'");
  }
  return {std::move(path), std::move(file)};
}

}  // namespace fs_utils
