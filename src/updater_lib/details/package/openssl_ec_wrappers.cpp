#include "updater_lib/details/package/openssl_ec_wrappers.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/param_build.h>

#include <climits>
#include <string>

#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "updater_lib/details/package/openssl_last_error.h"
#include "updater_lib/details/package/openssl_objects.h"
#include "updater_lib/details/package/signature_error_data.h"

namespace openssl {

namespace {

[[noreturn]] void throw_library_failure(int code) {
  FW_THROW(common::application_exception(code), last_error_message());
}

group_ptr create_group_by_curve_name(int curve_nid) {
  group_ptr group(EC_GROUP_new_by_curve_name(curve_nid));
  if (!group) FW_THROW(common::application_exception(5328), "curve NID: ", curve_nid, "; ", last_error_message());
  return group;
}

// Imports an EC key of the named group from its parameters; null when the library
// refuses them. A context that cannot be made raises context_failure_code.
pkey_ptr import_key(const std::string& group_name, int selection, const std::vector<uint8_t>* public_octets,
                    const BIGNUM* private_scalar, int context_failure_code) {
  const param_builder_ptr builder(OSSL_PARAM_BLD_new());
  if (!builder) throw_library_failure(context_failure_code);
  bool pushed = OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, group_name.c_str(), 0);
  if (public_octets != nullptr)
    pushed = pushed && OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, public_octets->data(),
                                                        public_octets->size());
  if (private_scalar != nullptr)
    pushed = pushed && OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_PRIV_KEY, private_scalar);
  const params_ptr params(pushed ? OSSL_PARAM_BLD_to_param(builder.get()) : nullptr);
  const pkey_context_ptr context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  if (!params || !context) throw_library_failure(context_failure_code);

  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_fromdata_init(context.get()) <= 0 ||
      EVP_PKEY_fromdata(context.get(), &key, selection, params.get()) <= 0)
    return nullptr;
  return pkey_ptr(key);
}

bignum_ptr private_scalar_from_mpi(const EC_GROUP& group, const std::vector<uint8_t>& mpi) {
  if (mpi.size() > INT_MAX) FW_THROW(common::application_exception(5346), "MPI size: ", mpi.size());
  bignum_ptr scalar(BN_mpi2bn(mpi.data(), static_cast<int>(mpi.size()), nullptr));
  if (!scalar) throw_library_failure(5346);
  // Only 1 .. order - 1 is a private key; the library would sign with any number.
  if (BN_is_zero(scalar.get()) || BN_is_negative(scalar.get()) ||
      BN_cmp(scalar.get(), EC_GROUP_get0_order(&group)) >= 0)
    FW_THROW(common::application_exception(5347), "the private key is outside 1 .. order - 1");
  return scalar;
}

std::vector<uint8_t> private_scalar_to_mpi(const BIGNUM& scalar) {
  std::vector<uint8_t> mpi(static_cast<size_t>(BN_bn2mpi(&scalar, nullptr)));
  BN_bn2mpi(&scalar, mpi.data());
  return mpi;
}

pkey_context_ptr operation_context(const pkey_ptr& key) {
  return pkey_context_ptr(key ? EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr) : nullptr);
}

}  // namespace

void signature_deleter::operator()(ECDSA_SIG* signature) const noexcept { ECDSA_SIG_free(signature); }

void check_data_size(const std::vector<uint8_t>& data) {
  if (data.empty()) FW_THROW(common::application_exception(5337));
}

class key::impl {
 public:
  explicit impl(int curve_nid) : group(create_group_by_curve_name(curve_nid)), group_name(OBJ_nid2sn(curve_nid)) {
    parameters = import_key(group_name, EVP_PKEY_KEY_PARAMETERS, nullptr, nullptr, 5333);
    if (!parameters) throw_library_failure(5332);
  }

  group_ptr group;
  std::string group_name;
  pkey_ptr parameters;  // the curve alone: answers size queries before any key is set
  pkey_ptr public_key;
  pkey_ptr private_key;
};

key::key(int curve_nid) : impl_(std::make_unique<impl>(curve_nid)) {}
key::~key() = default;
key::key(key&&) noexcept = default;
key& key::operator=(key&&) noexcept = default;

void key::set_public_key(const std::vector<uint8_t>& point_octets) {
  FW_LOG_SCOPE();
  check_data_size(point_octets);
  ERR_clear_error();
  const point_ptr point(EC_POINT_new(impl_->group.get()));
  if (!point ||
      EC_POINT_oct2point(impl_->group.get(), point.get(), point_octets.data(), point_octets.size(), nullptr) != 1)
    throw_library_failure(5344);
  // Every signature would verify against the neutral point for a suitable message, so
  // it is no key.
  if (EC_POINT_is_at_infinity(impl_->group.get(), point.get()) == 1)
    FW_THROW(common::application_exception(5345), "the public key is the point at infinity");
  impl_->public_key = import_key(impl_->group_name, EVP_PKEY_PUBLIC_KEY, &point_octets, nullptr, 5345);
  if (!impl_->public_key) throw_library_failure(5345);
}

void key::set_private_key(const std::vector<uint8_t>& mpi) {
  FW_LOG_SCOPE();
  check_data_size(mpi);
  ERR_clear_error();
  const bignum_ptr scalar = private_scalar_from_mpi(*impl_->group, mpi);
  impl_->private_key = import_key(impl_->group_name, EVP_PKEY_KEYPAIR, nullptr, scalar.get(), 5347);
  if (!impl_->private_key) throw_library_failure(5347);
}

signature_ptr key::sign(const std::vector<uint8_t>& digest) const {
  FW_LOG_SCOPE();
  check_data_size(digest);
  ERR_clear_error();
  const pkey_context_ptr context = operation_context(impl_->private_key);
  std::vector<uint8_t> der(max_signature_size());
  size_t der_size = der.size();
  if (!context || EVP_PKEY_sign_init(context.get()) <= 0 ||
      EVP_PKEY_sign(context.get(), der.data(), &der_size, digest.data(), digest.size()) <= 0)
    throw_library_failure(5335);
  der.resize(der_size);
  return deserialize_signature(der);
}

bool key::verify(const std::vector<uint8_t>& digest, const ECDSA_SIG& signature) const {
  FW_LOG_SCOPE();
  check_data_size(digest);
  ERR_clear_error();
  // The library verifies DER bytes; encoding the decoded object gives it the same r and
  // s, so the outcome is that of ECDSA_do_verify on the object.
  const std::vector<uint8_t> der = serialize_signature(signature);
  const pkey_context_ptr context = operation_context(impl_->public_key);
  if (!context || EVP_PKEY_verify_init(context.get()) <= 0) throw_library_failure(5336);
  const int result = EVP_PKEY_verify(context.get(), der.data(), der.size(), digest.data(), digest.size());
  if (result == 1) return true;
  if (result < 0) throw_library_failure(5336);
  write_signature_error_data(digest, der);
  return false;
}

size_t key::max_signature_size() const {
  const int size = EVP_PKEY_get_size(impl_->parameters.get());
  if (size <= 0) throw_library_failure(5357);
  return static_cast<size_t>(size);
}

std::vector<uint8_t> serialize_signature(const ECDSA_SIG& signature) {
  const int size = i2d_ECDSA_SIG(&signature, nullptr);
  if (size <= 0) throw_library_failure(5329);
  std::vector<uint8_t> der(static_cast<size_t>(size));
  uint8_t* cursor = der.data();
  if (i2d_ECDSA_SIG(&signature, &cursor) <= 0) throw_library_failure(5329);
  return der;
}

signature_ptr deserialize_signature(const std::vector<uint8_t>& bytes) {
  ERR_clear_error();
  const uint8_t* cursor = bytes.data();
  signature_ptr signature(bytes.size() > LONG_MAX ? nullptr
                                                  : d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(bytes.size())));
  if (!signature)
    FW_THROW(common::application_exception(5331), "signature size: ", bytes.size(), "; ", last_error_message());
  return signature;
}

key_pair generate_key_pair(int curve_nid) {
  FW_LOG_SCOPE();
  ERR_clear_error();
  const group_ptr group = create_group_by_curve_name(curve_nid);
  const pkey_ptr generated(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", OBJ_nid2sn(curve_nid)));
  BIGNUM* scalar = nullptr;
  if (!generated || EVP_PKEY_get_bn_param(generated.get(), OSSL_PKEY_PARAM_PRIV_KEY, &scalar) != 1)
    throw_library_failure(5333);
  const bignum_ptr owned_scalar(scalar);
  key_pair pair;
  pair.private_key = private_scalar_to_mpi(*owned_scalar);
  pair.public_key = derive_public_key(curve_nid, pair.private_key);
  return pair;
}

std::vector<uint8_t> derive_public_key(int curve_nid, const std::vector<uint8_t>& private_key_mpi) {
  FW_LOG_SCOPE();
  check_data_size(private_key_mpi);
  ERR_clear_error();
  const group_ptr group = create_group_by_curve_name(curve_nid);
  const bignum_ptr scalar = private_scalar_from_mpi(*group, private_key_mpi);
  const point_ptr point(EC_POINT_new(group.get()));
  if (!point || EC_POINT_mul(group.get(), point.get(), scalar.get(), nullptr, nullptr, nullptr) != 1)
    throw_library_failure(5345);
  std::vector<uint8_t> octets(
      EC_POINT_point2oct(group.get(), point.get(), POINT_CONVERSION_COMPRESSED, nullptr, 0, nullptr));
  if (octets.empty() || EC_POINT_point2oct(group.get(), point.get(), POINT_CONVERSION_COMPRESSED, octets.data(),
                                           octets.size(), nullptr) != octets.size())
    throw_library_failure(5345);
  return octets;
}

}  // namespace openssl
