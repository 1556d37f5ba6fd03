#pragma once
// Printable forms of package values.
#include <string>

#include "updater_lib/details/package/package_info.h"

namespace pack_tool {

// "YYYY-MM-DD hh:mm:ss" with the day and month counted from 1.
std::string date_time_text(const updater::date_time_t& value);

// The header lines and one line per file: name, data size, data offset.
std::string package_text(const updater::package_info& info, const std::vector<updater::package_file_info>& files);

}  // namespace pack_tool
