#pragma once
// SHA-256 digests of byte ranges of an open package file.
#include <cstdint>
#include <vector>

#include "common/winapi/process/handle.h"
#include "updater_lib/details/package/package_serialization.h"

namespace updater {

// Seeks to offset and hashes length bytes in 1 MiB reads; the position ends at
// offset + length.
byte_buffer compute_hash_of_part_of_the_file(winapi::handle_t handle, uint64_t offset, uint64_t length);

struct byte_range {
  uint64_t offset = 0;
  uint64_t length = 0;
  bool operator==(const byte_range&) const = default;
};

struct range_digest {
  byte_range range;
  byte_buffer digest;
};

struct digests_of_range_and_parts {
  byte_buffer whole;
  std::vector<range_digest> parts;  // in the order of the requested parts
};

// The digest of [offset, offset + length) together with the digests of parts of it,
// reading every byte once. The parts must be ordered, disjoint and inside the range.
// The whole range is hashed on the calling thread while a second thread hashes the
// parts from the same blocks, so on two cores this takes about the time of one digest.
// Read failures are raised exactly as compute_hash_of_part_of_the_file raises them.
digests_of_range_and_parts compute_hash_of_part_of_the_file_and_parts(winapi::handle_t handle, uint64_t offset,
                                                                      uint64_t length,
                                                                      const std::vector<byte_range>& parts);

}  // namespace updater
