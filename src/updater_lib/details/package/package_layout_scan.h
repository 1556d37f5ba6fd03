#pragma once
// A look-ahead over the FILE sections of a package that is not verified yet, so that
// file data can be hashed while the package digest is computed. Nothing found here is
// trusted: a found range is only a guess of what the checked reading will ask for, and
// the scan never raises.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/winapi/process/handle.h"
#include "updater_lib/details/package/package_hashing.h"

namespace updater {

// At most this many ranges are found: a forged package of tiny sections must not make
// memory grow with its size before its signatures are checked. Files beyond it are
// hashed by their own checks.
inline constexpr size_t max_scanned_ranges = 16384;

// The data ranges of the FILE sections that seem to lie between the HEAD section and
// signed_length, in file order. Stops quietly at the first thing that does not fit.
std::vector<byte_range> scan_file_data_ranges(winapi::handle_t handle, uint64_t signed_length);

}  // namespace updater
