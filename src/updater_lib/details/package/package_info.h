#pragma once
// What an update package states about itself and about each file it carries.
#include <cstdint>
#include <string>
#include <vector>

#include "updater_lib/details/update_information/date_time.h"

namespace updater {

// The HEAD content: 15 bytes in the file.
struct package_info {
  uint32_t version_of_update_compatibility = 0;
  date_time_t creation_time;
  uint32_t file_count = 0;
};

// One FILE section as the reader keeps it.
struct package_file_info {
  std::u16string name;
  uint64_t data_size = 0;
  std::vector<std::vector<uint8_t>> signatures;
  uint64_t data_offset = 0;  // absolute offset of the first data byte
};

}  // namespace updater
