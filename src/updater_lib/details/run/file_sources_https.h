#pragma once
// Pull-file function that downloads from the update server over HTTPS.
#include <cstdint>
#include <string>

#include "updater_lib/details/run/file_sources.h"

namespace updater::details {

pull_file_function get_download_file_from_https_function(const https_parameters& parameters, const std::u16string& host,
                                                         uint32_t files_type,
                                                         const std::u16string& destination_directory);

}  // namespace updater::details
