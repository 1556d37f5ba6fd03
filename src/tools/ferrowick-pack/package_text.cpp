#include "package_text.h"

#include <cstdio>
#include <sstream>

#include "common/text.h"

namespace pack_tool {

std::string date_time_text(const updater::date_time_t& value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", unsigned{value.year}, value.month + 1u,
                value.day + 1u, unsigned{value.hour}, unsigned{value.minute}, unsigned{value.second});
  return text;
}

std::string package_text(const updater::package_info& info, const std::vector<updater::package_file_info>& files) {
  std::ostringstream text;
  text << "version of update compatibility: " << info.version_of_update_compatibility << '\n'
       << "created: " << date_time_text(info.creation_time) << '\n'
       << "files: " << info.file_count << '\n';
  for (const auto& file : files) {
    text << common::utf16_to_utf8(file.name) << '\t' << file.data_size << '\t' << file.data_offset << '\n';
  }
  return text.str();
}

}  // namespace pack_tool
