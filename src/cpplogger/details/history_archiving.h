#pragma once
// Loose history files of the logs directory are packed into one zip archive and
// deleted; older archives are pruned, oldest first, to stay within max_file_size.
#include <string>

#include "cpplogger/settings.h"

namespace cpplogger::details {

// Never throws: failures go to the debugger output, a partial archive is removed and
// history files that were not archived stay for the next run.
void archive_history_files(const std::u16string& log_base_name, const std::u16string& logs_directory,
                           const logger_settings& settings) noexcept;

}  // namespace cpplogger::details
