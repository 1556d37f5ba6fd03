#include "updater_lib/details/file_sources_https.h"

#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater::details {

// This build has no HTTPS downloader yet: the source is refused when it is chosen, before
// any file is touched.
pull_file_function get_download_file_from_https_function(const https_parameters&, const std::u16string& host,
                                                         uint32_t files_type, const std::u16string&) {
  FW_LOG_SCOPE();
  FW_THROW(common::application_exception(common::error_invalid_update_source),
           "update source: https is not available in this build (host: ", host, ", files_type: ", files_type,
           "); use the directory source");
}

}  // namespace updater::details
