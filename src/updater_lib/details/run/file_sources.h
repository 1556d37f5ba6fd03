#pragma once
// Where update files come from: a pull-file function delivers one file from the update
// source into the destination directory under a temporary name and returns its path.
// The update run neither knows nor cares whether it was downloaded or copied.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "common/fs_utils.h"
#include "updater_lib/details/parameters/updater_parameters.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace updater {

// (file name on the source, temporary name in the destination, token, time-out) -> full
// path of the delivered file, which is a private file still held open, so that what the
// run checks and places is what was delivered. Cancellation is raised as 5391.
using pull_file_function = std::function<fs_utils::temp_file_with_handle(
    const std::u16string& file_name, const std::u16string& temporary_file_name, cancellation_token& token,
    std::chrono::seconds timeout)>;

// files_type selects the host or source directory (main_files or utility_files). Raises
// 5366 for a files type or update source out of range, and the source's own errors when
// it cannot be used (for a directory: 5368 when it does not exist, 5367 when unnamed).
pull_file_function get_pull_file_function(const update_source_parameters& source, uint32_t files_type,
                                          const std::u16string& destination_directory);

}  // namespace updater
