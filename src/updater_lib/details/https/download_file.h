#pragma once
// Fetching one file of the update folder over HTTPS: proxy variants in order, repeated
// attempts per variant with reachability probes, resuming after the bytes on disk when
// the server grants ranges, a pause between attempts, a retry limit, an overall deadline
// and cancellation. Every message met is collected and reported in the final error.
#include <chrono>
#include <string>

#include "common/fs_utils.h"
#include "updater_lib/details/https/error_list.h"
#include "updater_lib/details/parameters/updater_parameters.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace updater {

// Downloads folder_url/remote_name to directory/local_name and returns that path with the
// file still held open, so that nobody else can change it before it is placed. On any
// failure the partial file is removed; cancellation raises 5391 at once.
fs_utils::temp_file_with_handle download_file(const std::u16string& root_url, const std::u16string& folder_url,
                                              const std::u16string& remote_name, const std::u16string& local_name,
                                              const https_parameters& parameters, const std::u16string& directory,
                                              cancellation_token& token, std::chrono::seconds timeout);

// The same through one proxy variant; the messages it meets are moved to errors, however
// it ends.
fs_utils::temp_file_with_handle download_file_helper(const std::u16string& root_url, const std::u16string& folder_url,
                                                     const std::u16string& remote_name,
                                                     const std::u16string& local_name,
                                                     const https_parameters& parameters,
                                                     const std::u16string& directory, cancellation_token& token,
                                                     std::chrono::seconds timeout, const proxy_parameters& proxy,
                                                     details::error_list& errors);

// One TRACE line per setting; passwords and user names only as "set" or "not set".
void log_downloader_parameters(const https_parameters& parameters);

}  // namespace updater
