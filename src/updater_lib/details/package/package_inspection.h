#pragma once
// What a package says about itself, read under the structural rules but without
// checking any signature: for publishing tools that show a package. The worker never
// trusts this; it opens packages through updater::package.
#include <cstdint>
#include <string>
#include <vector>

#include "updater_lib/details/package/package_info.h"
#include "updater_lib/details/package/package_serialization.h"

namespace updater {

struct package_layout {
  uint64_t signed_length = 0;
  package_info info;
  std::vector<package_file_info> files;
  signature_list package_signatures;
};

package_layout read_package_layout_without_verification(const std::u16string& path);

}  // namespace updater
