#include "updater_lib/details/package/digital_signature.h"

#include <openssl/obj_mac.h>

#include <utility>

#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "updater_lib/details/package/hash_file_helpers.h"

namespace updater {

namespace {

std::vector<uint8_t> digest_of_first_block(const data_block_source& source) {
  const std::vector<uint8_t> data = source();
  const auto engine = hash_file_helpers::create_hash_engine();
  engine->init();
  engine->update(data.data(), data.size());
  return engine->final();
}

}  // namespace

int curve_name_from_signature_mode(signature_mode_t mode) {
  if (mode != 1) FW_THROW(common::application_exception(5349), "signature_mode: ", mode);
  return NID_secp256k1;
}

size_t get_max_signature_size(signature_mode_t mode) {
  return openssl::key(curve_name_from_signature_mode(mode)).max_signature_size();
}

data_block_source make_buffer_source(std::vector<uint8_t> data) {
  return [data = std::move(data), taken = false]() mutable {
    if (taken) return std::vector<uint8_t>();
    taken = true;
    return data;
  };
}

sign_function get_sign_function(signature_mode_t mode, key_list private_keys) {
  FW_LOG_SCOPE();
  if (private_keys.empty()) FW_THROW(common::application_exception(5350), "private key list is empty");
  const int curve = curve_name_from_signature_mode(mode);
  return [curve, private_keys = std::move(private_keys)](const data_block_source& source) {
    FW_LOG_SCOPE();
    const std::vector<uint8_t> digest = digest_of_first_block(source);
    openssl::key key(curve);
    signature_list signatures;
    signatures.reserve(private_keys.size());
    for (const auto& private_key : private_keys) {
      key.set_private_key(private_key);
      signatures.push_back(openssl::serialize_signature(*key.sign(digest)));
    }
    return signatures;
  };
}

signatures_verification_function get_signatures_verification_function(signature_mode_t mode, signature_list signatures,
                                                                      key_list public_keys) {
  FW_LOG_SCOPE();
  if (public_keys.empty() || signatures.empty() || public_keys.size() != signatures.size())
    FW_THROW(common::application_exception(5351), "public keys: ", static_cast<uint64_t>(public_keys.size()),
             "; signatures: ", static_cast<uint64_t>(signatures.size()));
  const int curve = curve_name_from_signature_mode(mode);
  return [curve, signatures = std::move(signatures),
          public_keys = std::move(public_keys)](const data_block_source& source) {
    FW_LOG_SCOPE();
    const std::vector<uint8_t> digest = digest_of_first_block(source);
    openssl::key key(curve);
    for (size_t i = 0; i < public_keys.size(); ++i) {
      key.set_public_key(public_keys[i]);
      if (!key.verify(digest, *openssl::deserialize_signature(signatures[i]))) {
        FW_LOG(cpplogger::level_debug) << "Signature " << i + 1 << " of " << signatures.size()
                                       << " does not verify with public key " << i + 1;
        return false;
      }
    }
    return true;
  };
}

signature_list sign_buffer(signature_mode_t mode, const key_list& private_keys, const std::vector<uint8_t>& data) {
  FW_LOG_SCOPE();
  return get_sign_function(mode, private_keys)(make_buffer_source(data));
}

bool verify_signatures(signature_mode_t mode, const signature_list& signatures, const key_list& public_keys,
                       const std::vector<uint8_t>& data) {
  FW_LOG_SCOPE();
  return get_signatures_verification_function(mode, signatures, public_keys)(make_buffer_source(data));
}

openssl::key_pair generate_key_pair(signature_mode_t mode) {
  return openssl::generate_key_pair(curve_name_from_signature_mode(mode));
}

std::vector<uint8_t> derive_public_key(signature_mode_t mode, const std::vector<uint8_t>& private_key) {
  return openssl::derive_public_key(curve_name_from_signature_mode(mode), private_key);
}

}  // namespace updater
