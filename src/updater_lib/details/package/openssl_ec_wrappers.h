#pragma once
// ECDSA over one named curve with OpenSSL.
// Entry points: openssl::key (set_public_key, set_private_key, sign, verify,
// max_signature_size), serialize_signature / deserialize_signature (DER), and
// generate_key_pair for signing tools.
//
// Key bytes: public keys are SEC 1 point octets (33 bytes compressed or 65 bytes
// uncompressed); private keys are OpenSSL's MPI form (4-byte big-endian length, then
// the big-endian magnitude with a clear top bit). Signatures are DER ECDSA-Sig-Value.
#include <openssl/ec.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace openssl {

struct signature_deleter {
  void operator()(ECDSA_SIG* signature) const noexcept;
};
// A library signature object owned by the caller.
using signature_ptr = std::unique_ptr<ECDSA_SIG, signature_deleter>;

class key {
 public:
  // Binds the key to the curve for life; raises 5328, 5333 or 5332.
  explicit key(int curve_nid);
  ~key();
  key(key&&) noexcept;
  key& operator=(key&&) noexcept;

  // May be called again to load another key of the same curve.
  // Empty bytes raise 5337, bytes that are no point of the curve 5344, a point the key
  // refuses (the point at infinity among them) 5345.
  void set_public_key(const std::vector<uint8_t>& point_octets);
  // Empty bytes raise 5337, a malformed MPI 5346, a scalar outside [1, order - 1] 5347.
  // The public key is not derived.
  void set_private_key(const std::vector<uint8_t>& mpi);

  // ECDSA with a fresh random nonce over the digest as given; 5337 for an empty
  // digest, 5335 when signing fails (no private key set among the causes).
  signature_ptr sign(const std::vector<uint8_t>& digest) const;
  // True for a valid signature. A mismatch writes the diagnostic file
  // (update_package_signature_error_data<N> in the temporary directory: digest,
  // CR LF CR LF, DER signature) and returns false. 5337 for an empty digest, 5336
  // when the library reports an error (no public key set among the causes).
  bool verify(const std::vector<uint8_t>& digest, const ECDSA_SIG& signature) const;

  // The largest DER signature on the curve (72 on secp256k1); 5357 on failure.
  size_t max_signature_size() const;

 private:
  class impl;
  std::unique_ptr<impl> impl_;
};

// DER bytes; 5329 when encoding fails.
std::vector<uint8_t> serialize_signature(const ECDSA_SIG& signature);
// Decodes the first DER object of the bytes (anything after it is ignored); 5331 when
// the bytes hold no ECDSA signature.
signature_ptr deserialize_signature(const std::vector<uint8_t>& bytes);

// Raises 5337 for empty data.
void check_data_size(const std::vector<uint8_t>& data);

struct key_pair {
  std::vector<uint8_t> private_key;  // MPI form
  std::vector<uint8_t> public_key;   // 33-byte compressed point
};

// A fresh random key pair of the curve.
key_pair generate_key_pair(int curve_nid);
// The compressed public point of an MPI private key (5346, 5347 as set_private_key).
std::vector<uint8_t> derive_public_key(int curve_nid, const std::vector<uint8_t>& private_key_mpi);

}  // namespace openssl
