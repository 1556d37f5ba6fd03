#pragma once
// The demo key pairs of demo/keys, in the order the worker lists its keys: the
// parameter key, then the built-in key.
#include "updater_lib/details/package/digital_signature.h"

namespace fuzz_support {

const updater::key_list& demo_public_keys();
const updater::key_list& demo_private_keys();

}  // namespace fuzz_support
