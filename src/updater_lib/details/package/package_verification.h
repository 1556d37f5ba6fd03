#pragma once
// The checks of an existing package: its own signatures over everything before its last
// section, and each FILE section with the signatures over its data.
#include <cstdint>
#include <vector>

#include "common/winapi/process/handle.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package_hashing.h"
#include "updater_lib/details/package/package_info.h"
#include "updater_lib/details/package/package_serialization.h"

namespace updater {

// Digests of file data that were computed along with the package digest; a checked
// reading of a file asks here first and hashes only what is missing.
class known_range_digests {
 public:
  known_range_digests() = default;
  explicit known_range_digests(std::vector<range_digest> digests) : digests_(std::move(digests)) {}

  const byte_buffer* find(const byte_range& range) const;

 private:
  std::vector<range_digest> digests_;  // ordered by offset
};

// The largest SIGN content: tag and size of a head plus two entries of the largest
// signature of the package's signature mode (164).
uint64_t get_max_signature_section_size();

// Raises 5362 unless signature i verifies digest with key i; 5351 for a key count that
// differs from the signature count.
void check_signatures_of_digest(const signature_list& signatures, const byte_buffer& digest,
                                const key_list& public_keys);

// Called at the package signature section: its two signatures, after checking that the
// section is the last thing in the file. No signature is checked.
signature_list read_package_signatures_section(winapi::handle_t handle);

// Called at the package signature section. Checks the section's rules and the package
// signatures over bytes 0 to the position, and returns the file digests it could compute
// on the way.
known_range_digests check_digital_signature_of_file_in_package(winapi::handle_t handle, const key_list& public_keys);

// Called at the HEAD section: its content decoded and checked.
package_info read_package_info_section(winapi::handle_t handle);

// Called at a FILE section: reads it without checking its signatures and leaves the
// position after it.
package_file_info read_file_section(winapi::handle_t handle);

// Called at a FILE section: checks it and its signatures and leaves the position after
// it.
package_file_info check_file_and_read_file_info(winapi::handle_t handle, const key_list& public_keys,
                                                const known_range_digests& known = {});

}  // namespace updater
