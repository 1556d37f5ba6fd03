#pragma once
// The version of update compatibility: the format generation of update packages.
#include <cstdint>
#include <string>

namespace updater {

// The generation this program writes into packages and asks the update server for.
uint32_t get_current_version_of_update_compatibility();

// Unsigned decimal text.
std::u16string version_of_update_compatibility_to_wstring(uint32_t version);

}  // namespace updater
