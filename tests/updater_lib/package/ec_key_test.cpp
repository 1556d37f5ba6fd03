#include <gtest/gtest.h>
#include <openssl/obj_mac.h>

#include <algorithm>

#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/openssl_ec_wrappers.h"
#include "updater_lib/package/signature_test_helpers.h"
#include "updater_lib/run/update_run_expect_code.h"

namespace {

using signature_test::from_hex;
using signature_test::to_hex;
using test_support::expect_application_error;

// secp256k1: the generator G in both point forms, -G, and the group order n.
constexpr char generator_compressed[] = "0279be667ef9dcbbac55a06295ce870b07029bfcdb2dce28d959f2815b16f81798";
constexpr char generator_uncompressed[] =
    "0479be667ef9dcbbac55a06295ce870b07029bfcdb2dce28d959f2815b16f81798"
    "483ada7726a3c4655da4fbfc0e1108a8fd17b448a68554199c47d08ffb10d4b8";
constexpr char negated_generator_compressed[] = "0379be667ef9dcbbac55a06295ce870b07029bfcdb2dce28d959f2815b16f81798";
constexpr char order_hex[] = "fffffffffffffffffffffffffffffffebaaedce6af48a03bbfd25e8cd0364141";
constexpr char order_minus_one_hex[] = "fffffffffffffffffffffffffffffffebaaedce6af48a03bbfd25e8cd0364140";

// MPI of a non-negative magnitude: a zero byte keeps a set top bit from reading as the sign.
std::vector<uint8_t> mpi_of(const std::string& magnitude_hex) {
  std::vector<uint8_t> magnitude = from_hex(magnitude_hex);
  if (!magnitude.empty() && (magnitude[0] & 0x80) != 0) magnitude.insert(magnitude.begin(), 0);
  const auto size = static_cast<uint32_t>(magnitude.size());
  std::vector<uint8_t> mpi(4 + magnitude.size());
  for (int i = 0; i < 4; ++i) mpi[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
  std::copy(magnitude.begin(), magnitude.end(), mpi.begin() + 4);
  return mpi;
}

std::vector<uint8_t> digest_of(const std::string& text) {
  return hash_file_helpers::compute_buffer_hash(text.data(), static_cast<uint32_t>(text.size()));
}

TEST(ec_key, is_made_for_secp256k1_only_when_the_curve_exists) {
  const openssl::key key(NID_secp256k1);
  EXPECT_EQ(key.max_signature_size(), 72u);
  expect_application_error(5328, [] { openssl::key{NID_undef}; });
}

TEST(ec_key, public_key_accepts_both_point_forms_of_a_curve_point) {
  openssl::key key(NID_secp256k1);
  EXPECT_NO_THROW(key.set_public_key(from_hex(generator_compressed)));
  EXPECT_NO_THROW(key.set_public_key(from_hex(generator_uncompressed)));
}

TEST(ec_key, public_key_refuses_bytes_that_are_no_curve_point) {
  openssl::key key(NID_secp256k1);
  expect_application_error(5337, [&] { key.set_public_key({}); });

  std::vector<uint8_t> bad_prefix = from_hex(generator_compressed);
  bad_prefix[0] = 0x05;
  expect_application_error(5344, [&] { key.set_public_key(bad_prefix); });

  std::vector<uint8_t> off_curve = from_hex(generator_uncompressed);
  off_curve.back() ^= 0x01;
  expect_application_error(5344, [&] { key.set_public_key(off_curve); });

  // x = 5 has no y on secp256k1 (5^3 + 7 = 132 is no square modulo p).
  std::vector<uint8_t> no_square(33, 0);
  no_square[0] = 0x02;
  no_square[32] = 0x05;
  expect_application_error(5344, [&] { key.set_public_key(no_square); });

  std::vector<uint8_t> truncated = from_hex(generator_compressed);
  truncated.pop_back();
  expect_application_error(5344, [&] { key.set_public_key(truncated); });
}

TEST(ec_key, public_key_refuses_the_point_at_infinity) {
  openssl::key key(NID_secp256k1);
  expect_application_error(5345, [&] { key.set_public_key({0x00}); });
}

TEST(ec_key, private_key_refuses_malformed_mpi) {
  openssl::key key(NID_secp256k1);
  expect_application_error(5337, [&] { key.set_private_key({}); });
  expect_application_error(5346, [&] { key.set_private_key({0x00, 0x00, 0x01}); });
  std::vector<uint8_t> long_length = mpi_of("01");
  long_length[3] = 2;
  expect_application_error(5346, [&] { key.set_private_key(long_length); });
  std::vector<uint8_t> trailing = mpi_of("01");
  trailing.push_back(0x00);
  expect_application_error(5346, [&] { key.set_private_key(trailing); });
}

TEST(ec_key, private_key_refuses_scalars_outside_one_to_order_minus_one) {
  openssl::key key(NID_secp256k1);
  expect_application_error(5347, [&] { key.set_private_key({0, 0, 0, 0}); });
  expect_application_error(5347, [&] { key.set_private_key(mpi_of(order_hex)); });
  // The sign bit set: minus one.
  expect_application_error(5347, [&] { key.set_private_key({0, 0, 0, 1, 0x81}); });
  EXPECT_NO_THROW(key.set_private_key(mpi_of(order_minus_one_hex)));
}

TEST(ec_key, public_key_of_known_scalars) {
  EXPECT_EQ(to_hex(openssl::derive_public_key(NID_secp256k1, mpi_of("01"))), generator_compressed);
  EXPECT_EQ(to_hex(openssl::derive_public_key(NID_secp256k1, mpi_of(order_minus_one_hex))),
            negated_generator_compressed);
}

TEST(ec_key, generated_pair_is_an_mpi_scalar_and_its_compressed_point) {
  for (int round = 0; round < 16; ++round) {
    const openssl::key_pair pair = openssl::generate_key_pair(NID_secp256k1);
    const std::vector<uint8_t>& mpi = pair.private_key;
    ASSERT_GE(mpi.size(), 5u);
    const uint32_t length = uint32_t{mpi[0]} << 24 | uint32_t{mpi[1]} << 16 | uint32_t{mpi[2]} << 8 | mpi[3];
    EXPECT_EQ(length + 4, mpi.size());
    EXPECT_EQ(mpi[4] & 0x80, 0);
    EXPECT_LE(mpi.size(), 4u + 33u);
    if (mpi.size() == 4 + 33) {
      EXPECT_EQ(mpi[4], 0);
    }

    ASSERT_EQ(pair.public_key.size(), 33u);
    EXPECT_TRUE(pair.public_key[0] == 0x02 || pair.public_key[0] == 0x03);
    EXPECT_EQ(openssl::derive_public_key(NID_secp256k1, mpi), pair.public_key);

    openssl::key key(NID_secp256k1);
    key.set_private_key(mpi);
    key.set_public_key(pair.public_key);
    const auto digest = digest_of("round trip");
    EXPECT_TRUE(key.verify(digest, *key.sign(digest)));
  }
}

TEST(ec_key, sign_and_verify_need_their_key_and_a_digest) {
  openssl::key key(NID_secp256k1);
  const auto digest = digest_of("data");
  expect_application_error(5335, [&] { key.sign(digest); });
  key.set_private_key(mpi_of("01"));
  const openssl::signature_ptr signature = key.sign(digest);
  expect_application_error(5336, [&] { key.verify(digest, *signature); });
  key.set_public_key(from_hex(generator_uncompressed));
  EXPECT_TRUE(key.verify(digest, *signature));
  expect_application_error(5337, [&] { key.sign({}); });
  expect_application_error(5337, [&] { key.verify({}, *signature); });
}

TEST(ec_key, signing_uses_a_fresh_nonce) {
  openssl::key key(NID_secp256k1);
  key.set_private_key(mpi_of("02"));
  const auto digest = digest_of("data");
  EXPECT_NE(openssl::serialize_signature(*key.sign(digest)), openssl::serialize_signature(*key.sign(digest)));
}

TEST(ec_signature_der, round_trips_and_ignores_trailing_bytes) {
  openssl::key key(NID_secp256k1);
  key.set_private_key(mpi_of("03"));
  const std::vector<uint8_t> der = openssl::serialize_signature(*key.sign(digest_of("data")));
  ASSERT_GE(der.size(), 8u);
  EXPECT_LE(der.size(), key.max_signature_size());
  EXPECT_EQ(der[0], 0x30);
  EXPECT_EQ(der[1], der.size() - 2);
  EXPECT_EQ(openssl::serialize_signature(*openssl::deserialize_signature(der)), der);

  std::vector<uint8_t> with_tail = der;
  with_tail.insert(with_tail.end(), {0xde, 0xad});
  EXPECT_EQ(openssl::serialize_signature(*openssl::deserialize_signature(with_tail)), der);
}

TEST(ec_signature_der, refuses_bytes_without_a_signature) {
  expect_application_error(5331, [] { openssl::deserialize_signature({}); });
  expect_application_error(5331, [] { openssl::deserialize_signature({0x30, 0x06, 0x02, 0x01, 0x01}); });
  expect_application_error(5331, [] { openssl::deserialize_signature(from_hex("3006020101040101")); });
  // A negative r.
  expect_application_error(5331, [] { openssl::deserialize_signature(from_hex("3006020181020101")); });
  EXPECT_NO_THROW(openssl::deserialize_signature(from_hex("3006020101020101")));
}

}  // namespace
