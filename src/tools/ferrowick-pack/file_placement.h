#pragma once
// Outputs that appear whole or not at all: a file is written under a temporary name
// beside its destination and renamed over it only once it is complete, so a failed run
// leaves an existing destination as it was and no temporary file behind.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/fs_utils.h"

namespace pack_tool {

// write fills the new temporary file (open on its handle); destination is then replaced.
// An existing destination that may not be written (read-only, a folder) is refused
// before anything is written.
void place_new_file(const std::u16string& destination,
                    const std::function<void(fs_utils::temp_file_with_handle&)>& write);

void place_new_file(const std::u16string& destination, const std::vector<uint8_t>& content);

}  // namespace pack_tool
