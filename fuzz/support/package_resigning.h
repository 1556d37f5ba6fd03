#pragma once
// Turns a mutated package into one whose signatures all hold, so that the fuzzer gets
// past the signature checks to the structure behind them.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz_support {

struct resigned_package {
  std::vector<uint8_t> bytes;
  uint32_t file_count = 0;  // FILE sections found and re-signed
};

// Keeps the magic and the HEAD section as they are, then walks the FILE sections while
// their name and data fit: each keeps its bytes up to the end of its data and gets a new
// SIGN section over the data, replacing the one that followed. The header's file count
// becomes the number found, anything after the last one is dropped, and the signed
// length and the package signatures are written anew. Inputs shorter than a header
// come back unchanged.
resigned_package resign_package(const uint8_t* data, size_t size);

}  // namespace fuzz_support
