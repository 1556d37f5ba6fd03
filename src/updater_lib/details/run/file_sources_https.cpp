#include "updater_lib/details/run/file_sources_https.h"

#include "cpplogger/log_scope.h"
#include "updater_lib/details/https/download_file.h"
#include "updater_lib/details/https/update_server_url.h"
#include "updater_lib/details/update_information/update_information_versions.h"

namespace updater::details {

pull_file_function get_download_file_from_https_function(const https_parameters& parameters, const std::u16string& host,
                                                         uint32_t files_type,
                                                         const std::u16string& destination_directory) {
  FW_LOG_SCOPE();
  check_full_qualified_domain_name(host);
  // The folder carries the worker's own compatibility version, not the requested one.
  const auto urls = get_update_server_url(host, parameters.service_port, get_current_version_of_update_compatibility(),
                                          static_cast<int32_t>(files_type));
  return [root_url = urls.first, folder_url = urls.second, parameters, destination_directory](
             const std::u16string& file_name, const std::u16string& temporary_file_name, cancellation_token& token,
             std::chrono::seconds timeout) {
    FW_LOG_SCOPE();
    return download_file(root_url, folder_url, file_name, temporary_file_name, parameters, destination_directory, token,
                         timeout);
  };
}

}  // namespace updater::details
