#include "support/demo_keys.h"

#include "common/base64.h"

namespace fuzz_support {

// The Base64 texts come from demo/keys through the build.
const updater::key_list& demo_public_keys() {
  static const updater::key_list keys{base64::base64_decode(FERROWICK_DEMO_PARAMETER_PUBLIC_KEY),
                                      base64::base64_decode(FERROWICK_DEMO_BUILT_IN_PUBLIC_KEY)};
  return keys;
}

const updater::key_list& demo_private_keys() {
  static const updater::key_list keys{base64::base64_decode(FERROWICK_DEMO_PARAMETER_PRIVATE_KEY),
                                      base64::base64_decode(FERROWICK_DEMO_BUILT_IN_PRIVATE_KEY)};
  return keys;
}

}  // namespace fuzz_support
