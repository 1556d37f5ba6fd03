// The replaced generator is the legacy RAND_METHOD hook, which OpenSSL 3 still honours.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "support/deterministic_signing.h"

#include <openssl/rand.h>

#include <cstdlib>
#include <cstring>

#include "support/demo_keys.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/package_format.h"

namespace fuzz_support {
namespace {

// OpenSSL mixes the private key and the digest into every nonce, so constant "random"
// bytes still give each message its own nonce.
int constant_bytes(unsigned char* buffer, int count) {
  std::memset(buffer, 0x5a, static_cast<size_t>(count));
  return 1;
}
int always_seeded() { return 1; }

const RAND_METHOD constant_method{nullptr, constant_bytes, nullptr, nullptr, constant_bytes, always_seeded};

void use_constant_generator() {
  static const bool installed = RAND_set_rand_method(&constant_method) == 1;
  if (!installed) std::abort();
}

}  // namespace

updater::signature_list sign_with_demo_keys(const std::vector<uint8_t>& covered) {
  use_constant_generator();
  static const uint8_t nothing = 0;
  const auto digest = hash_file_helpers::compute_buffer_hash(covered.empty() ? &nothing : covered.data(),
                                                             static_cast<uint32_t>(covered.size()));
  return updater::sign_buffer(updater::package_format::signature_mode, demo_private_keys(), digest);
}

}  // namespace fuzz_support
