#pragma once
// Signatures with the demo private keys that are the same on every run: the fuzzer
// needs an input to take the same path each time it is replayed, and ECDSA nonces come
// from the random generator.
#include <cstdint>
#include <vector>

#include "updater_lib/details/package/digital_signature.h"

namespace fuzz_support {

// One signature per demo key over SHA-256 of the covered bytes, as packages carry them.
updater::signature_list sign_with_demo_keys(const std::vector<uint8_t>& covered);

}  // namespace fuzz_support
