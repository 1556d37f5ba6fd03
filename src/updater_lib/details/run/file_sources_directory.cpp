#include "updater_lib/details/run/file_sources_directory.h"

#include "common/fs_utils.h"
#include "common/path_helpers.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater::details {

pull_file_function get_copy_file_from_directory_function(const std::u16string& source_directory,
                                                         const std::u16string& destination_directory) {
  FW_LOG_SCOPE();
  if (!fs_utils::directory_exists(source_directory)) {
    FW_THROW(common::application_exception(common::error_source_directory_missing),
             "Source directory: ", source_directory);
  }
  FW_LOG(cpplogger::level_trace) << "Update files source directory: " << source_directory;
  FW_LOG(cpplogger::level_trace) << "Update files destination directory: " << destination_directory;

  return [source_directory, destination_directory](const std::u16string& file_name,
                                                   const std::u16string& temporary_file_name, cancellation_token& token,
                                                   std::chrono::seconds) {
    FW_LOG_SCOPE();
    if (file_name.empty()) FW_THROW(common::application_exception(common::error_empty_file_name));
    const std::u16string source_path = path_helpers::join_path(source_directory, file_name);
    const std::u16string result_path = path_helpers::join_path(destination_directory, temporary_file_name);
    if (token.canceled()) {
      FW_LOG(cpplogger::level_trace) << "Copying file: " << source_path << " to " << result_path << " was canceled";
      FW_THROW(common::application_exception(common::error_operation_canceled));
    }
    FW_LOG(cpplogger::level_trace) << "Copying file: " << source_path << " to " << result_path;
    return fs_utils::copy_to_private_file(source_path, result_path);
  };
}

}  // namespace updater::details
