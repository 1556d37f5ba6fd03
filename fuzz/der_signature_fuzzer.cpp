// DER signatures and key bytes as packages and parameters carry them: a signature that
// decodes must encode back to a DER form that decodes to the same encoding; point octets
// and MPI scalars are loaded; the whole list check runs with the demo keys beside them.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "error_lib/application_exception.h"
#include "support/demo_keys.h"
#include "support/process_state.h"
#include "support/scratch_directory.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/openssl_ec_wrappers.h"
#include "updater_lib/details/package/package_format.h"

namespace {

using bytes = std::vector<uint8_t>;
constexpr auto mode = updater::package_format::signature_mode;

// Verifying loads the point and checks the signature with it; a mismatch is no error.
void verify_with_key(const bytes& point, const ECDSA_SIG& signature, const bytes& digest) {
  openssl::key key(updater::curve_name_from_signature_mode(mode));
  try {
    key.set_public_key(point);
    key.verify(digest, signature);
  } catch (const common::application_exception&) {
  }
}

void check_signature(const bytes& der, const bytes& point, const bytes& digest) {
  openssl::signature_ptr signature;
  try {
    signature = openssl::deserialize_signature(der);
  } catch (const common::application_exception&) {
    return;
  }
  const bytes encoded = openssl::serialize_signature(*signature);
  if (openssl::serialize_signature(*openssl::deserialize_signature(encoded)) != encoded) std::abort();
  verify_with_key(point, *signature, digest);
}

void load_private_key(const bytes& mpi) {
  try {
    const bytes point = updater::derive_public_key(mode, mpi);
    openssl::key key(updater::curve_name_from_signature_mode(mode));
    key.set_private_key(mpi);
    key.set_public_key(point);
  } catch (const common::application_exception&) {
  }
}

void verify_list(const updater::signature_list& signatures, const bytes& point, const bytes& data) {
  try {
    updater::verify_signatures(mode, signatures, {point, fuzz_support::demo_public_keys()[1]}, data);
  } catch (const common::application_exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  FuzzedDataProvider input(data, size);
  const bytes first = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 80));
  const bytes second = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 80));
  const bytes point = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<size_t>(0, 70));
  const bytes message = input.ConsumeRemainingBytes<uint8_t>();
  const bytes digest =
      message.empty() ? bytes(32, 0)
                      : hash_file_helpers::compute_buffer_hash(message.data(), static_cast<uint32_t>(message.size()));

  check_signature(first, point, digest);
  load_private_key(point);
  if (!message.empty()) verify_list({first, second}, point, message);
  fuzz_support::clear_scratch_directory();
  return 0;
}
