#pragma once
// Signing and verifying data with a list of keys under a numbered signature mode.
// Entry points: sign_buffer / verify_signatures for data in memory,
// get_sign_function / get_signatures_verification_function for a data-block source,
// generate_key_pair / derive_public_key for signing tools.
//
// The data is hashed with SHA-256 and the digest is signed with ECDSA. Every key signs
// the same data; signature i belongs to key i. Mode 1 is secp256k1, the only mode.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "updater_lib/details/package/openssl_ec_wrappers.h"

namespace updater {

using signature_mode_t = int32_t;
// Public keys (SEC 1 point octets) or private keys (MPI form), in signature order.
using key_list = std::vector<std::vector<uint8_t>>;
// DER signatures; position i belongs to key i.
using signature_list = std::vector<std::vector<uint8_t>>;

// Yields one block of data per call; an empty block when nothing is left.
using data_block_source = std::function<std::vector<uint8_t>()>;
using sign_function = std::function<signature_list(const data_block_source&)>;
using signatures_verification_function = std::function<bool(const data_block_source&)>;

// The curve NID of a mode; any mode but 1 raises 5349.
int curve_name_from_signature_mode(signature_mode_t mode);
// 72 for mode 1.
size_t get_max_signature_size(signature_mode_t mode);

// A source that yields data on its first call and an empty block afterwards.
data_block_source make_buffer_source(std::vector<uint8_t> data);

// The function signs the first block of its source with every key, in key order.
// An empty key list raises 5350, an invalid mode 5349.
sign_function get_sign_function(signature_mode_t mode, key_list private_keys);
// The function hashes the first block of its source and is true only when every
// signature verifies with the key of its position; the first mismatch ends the check.
// Empty lists or lists of different lengths raise 5351, an invalid mode 5349; both
// before any data is read.
signatures_verification_function get_signatures_verification_function(signature_mode_t mode, signature_list signatures,
                                                                      key_list public_keys);

signature_list sign_buffer(signature_mode_t mode, const key_list& private_keys, const std::vector<uint8_t>& data);
bool verify_signatures(signature_mode_t mode, const signature_list& signatures, const key_list& public_keys,
                       const std::vector<uint8_t>& data);

// A fresh key pair of the mode's curve: MPI private key, 33-byte compressed public key.
openssl::key_pair generate_key_pair(signature_mode_t mode);
// The 33-byte compressed public key of an MPI private key.
std::vector<uint8_t> derive_public_key(signature_mode_t mode, const std::vector<uint8_t>& private_key);

}  // namespace updater
