#include "updater_lib/details/run/file_sources.h"

#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/run/file_sources_directory.h"
#include "updater_lib/details/run/file_sources_https.h"

namespace updater {

pull_file_function get_pull_file_function(const update_source_parameters& source, uint32_t files_type,
                                          const std::u16string& destination_directory) {
  FW_LOG_SCOPE();
  if (files_type >= files_type_count) {
    FW_THROW(common::application_exception(common::error_invalid_update_source), "files_type: ", files_type);
  }
  switch (source.update_source) {
    case update_source::https:
      return details::get_download_file_from_https_function(source.https, source.https.host_domain_name[files_type],
                                                            files_type, destination_directory);
    case update_source::directory:
      return details::get_copy_file_from_directory_function(source.source_directory[files_type], destination_directory);
  }
  FW_THROW(common::application_exception(common::error_invalid_update_source),
           "update source: ", static_cast<uint32_t>(source.update_source));
}

}  // namespace updater
