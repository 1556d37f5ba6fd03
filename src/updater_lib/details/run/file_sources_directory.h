#pragma once
// Pull-file function that copies from a source directory.
#include <string>

#include "updater_lib/details/run/file_sources.h"

namespace updater::details {

// Raises 5368 when source_directory does not exist. The function raises 5157 for an
// empty file name, 5391 when the token is already cancelled (nothing is created), and
// the copy's Windows errors (2 for a file the source lacks). The time-out is unused: a
// local copy is not interrupted.
pull_file_function get_copy_file_from_directory_function(const std::u16string& source_directory,
                                                         const std::u16string& destination_directory);

}  // namespace updater::details
