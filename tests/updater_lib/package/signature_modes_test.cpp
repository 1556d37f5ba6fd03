#include <gtest/gtest.h>
#include <openssl/obj_mac.h>

#include <utility>

#include "common/text.h"
#include "common/u16_stream.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/signature_error_data.h"
#include "updater_lib/package/signature_test_helpers.h"
#include "updater_lib/run/update_run_expect_code.h"

namespace {

using test_support::expect_application_error;
using updater::key_list;
using updater::signature_list;

struct two_signers {
  two_signers() {
    for (int i = 0; i < 2; ++i) {
      const openssl::key_pair pair = updater::generate_key_pair(1);
      private_keys.push_back(pair.private_key);
      public_keys.push_back(pair.public_key);
    }
  }
  key_list private_keys;
  key_list public_keys;
};

const std::vector<uint8_t> data{'p', 'a', 'c', 'k', 'a', 'g', 'e'};

// A source that counts its calls.
updater::data_block_source counting_source(std::vector<uint8_t> block, int& calls) {
  return [block = std::move(block), &calls] {
    ++calls;
    return block;
  };
}

// Mismatches leave diagnostic files in the temporary directory: each test gets its own.
class sign_and_verify : public ::testing::Test {
 protected:
  std::vector<std::filesystem::path> diagnostic_files() const { return signature_test::files_in(temp_.path()); }
  const std::filesystem::path& temp_path() const { return temp_.path(); }

 private:
  test_support::temp_directory temp_;
  signature_test::temp_dir_override temp_override_{temp_.path()};
};

TEST(signature_mode, only_mode_one_exists) {
  EXPECT_EQ(updater::curve_name_from_signature_mode(1), NID_secp256k1);
  EXPECT_EQ(updater::get_max_signature_size(1), 72u);
  for (const int mode : {0, 2, -1}) {
    test_support::log_capture log;
    expect_application_error(5349, [&] { updater::curve_name_from_signature_mode(mode); });
    EXPECT_TRUE(log.contains_substring(common::concat("signature_mode: ", mode)));
  }
  expect_application_error(5349, [] { updater::get_max_signature_size(2); });
  expect_application_error(5349, [] { updater::get_sign_function(2, {{0, 0, 0, 1, 1}}); });
  expect_application_error(5349, [] { updater::get_signatures_verification_function(2, {{0x30}}, {{0x02}}); });
}

TEST(buffer_source, yields_the_buffer_once) {
  const updater::data_block_source source = updater::make_buffer_source(data);
  EXPECT_EQ(source(), data);
  EXPECT_TRUE(source().empty());
  EXPECT_TRUE(source().empty());
}

TEST_F(sign_and_verify, round_trip_with_two_keys) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  ASSERT_EQ(signatures.size(), 2u);
  for (const auto& signature : signatures) {
    EXPECT_LE(signature.size(), 72u);
    EXPECT_GE(signature.size(), 8u);
  }
  EXPECT_TRUE(updater::verify_signatures(1, signatures, signers.public_keys, data));
}

TEST_F(sign_and_verify, key_i_verifies_signature_i_only) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  for (size_t key = 0; key < 2; ++key) {
    for (size_t signature = 0; signature < 2; ++signature) {
      EXPECT_EQ(updater::verify_signatures(1, {signatures[signature]}, {signers.public_keys[key]}, data),
                key == signature)
          << "key " << key << ", signature " << signature;
    }
  }
}

TEST_F(sign_and_verify, swapped_signatures_or_keys_fail) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  EXPECT_FALSE(updater::verify_signatures(1, {signatures[1], signatures[0]}, signers.public_keys, data));
  EXPECT_FALSE(updater::verify_signatures(1, signatures, {signers.public_keys[1], signers.public_keys[0]}, data));
}

TEST_F(sign_and_verify, other_data_fails) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  std::vector<uint8_t> other = data;
  other.back() ^= 0x01;
  EXPECT_FALSE(updater::verify_signatures(1, signatures, signers.public_keys, other));
}

TEST_F(sign_and_verify, signing_twice_gives_other_bytes_that_verify_as_well) {
  const two_signers signers;
  const signature_list first = updater::sign_buffer(1, signers.private_keys, data);
  const signature_list second = updater::sign_buffer(1, signers.private_keys, data);
  EXPECT_NE(first, second);
  EXPECT_TRUE(updater::verify_signatures(1, second, signers.public_keys, data));
}

TEST_F(sign_and_verify, empty_data_is_the_digest_of_the_empty_message) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, {});
  EXPECT_TRUE(updater::verify_signatures(1, signatures, signers.public_keys, {}));
  EXPECT_FALSE(updater::verify_signatures(1, signatures, signers.public_keys, {0x00}));
}

TEST_F(sign_and_verify, functions_read_only_the_first_block) {
  const two_signers signers;
  int sign_calls = 0;
  const signature_list signatures =
      updater::get_sign_function(1, signers.private_keys)(counting_source(data, sign_calls));
  EXPECT_EQ(sign_calls, 1);

  int verify_calls = 0;
  const auto verify = updater::get_signatures_verification_function(1, signatures, signers.public_keys);
  EXPECT_TRUE(verify(counting_source(data, verify_calls)));
  EXPECT_EQ(verify_calls, 1);
}

TEST_F(sign_and_verify, wrong_list_sizes_fail_before_any_data_is_read) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  expect_application_error(5351, [&] { updater::verify_signatures(1, {signatures[0]}, signers.public_keys, data); });
  expect_application_error(5351, [&] { updater::verify_signatures(1, signatures, {signers.public_keys[0]}, data); });
  expect_application_error(5351, [&] { updater::get_signatures_verification_function(1, {}, {}); });
  expect_application_error(5351, [&] { updater::get_signatures_verification_function(1, {}, signers.public_keys); });
  expect_application_error(5350, [] { updater::get_sign_function(1, {}); });
  expect_application_error(5350, [] { updater::sign_buffer(1, {}, data); });
}

TEST_F(sign_and_verify, a_signature_that_is_not_der_fails_with_its_code) {
  const two_signers signers;
  signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  signatures[1] = {0x30, 0x45, 0x02, 0x20};
  expect_application_error(5331, [&] { updater::verify_signatures(1, signatures, signers.public_keys, data); });
}

TEST_F(sign_and_verify, pairs_after_the_first_mismatch_are_not_examined) {
  const two_signers signers;
  signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  std::swap(signatures[0], signatures[1]);
  key_list keys = signers.public_keys;
  keys[1] = {0x05};  // no curve point: would raise if it were looked at
  EXPECT_FALSE(updater::verify_signatures(1, signatures, keys, data));
}

TEST_F(sign_and_verify, bad_keys_raise_their_codes) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  std::vector<uint8_t> not_a_point = signers.public_keys[0];
  not_a_point[0] = 0x05;
  expect_application_error(5344, [&] {
    updater::verify_signatures(1, signatures, {not_a_point, signers.public_keys[1]}, data);
  });
  expect_application_error(5346, [&] { updater::sign_buffer(1, {{0x00, 0x01}}, data); });
}

TEST(key_generation, public_key_derives_from_the_private_key) {
  const openssl::key_pair pair = updater::generate_key_pair(1);
  EXPECT_EQ(updater::derive_public_key(1, pair.private_key), pair.public_key);
  EXPECT_EQ(pair.public_key.size(), 33u);
  expect_application_error(5349, [&] { updater::derive_public_key(2, pair.private_key); });
}

TEST_F(sign_and_verify, a_mismatch_leaves_the_digest_and_the_signature_in_a_new_temporary_file) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  const std::vector<uint8_t> other = signature_test::bytes_of("other data");
  test_support::log_capture log;
  EXPECT_FALSE(updater::verify_signatures(1, signatures, signers.public_keys, other));

  const auto files = diagnostic_files();
  ASSERT_EQ(files.size(), 1u);
  const std::string name = files[0].filename().string();
  const std::string prefix = common::utf16_to_utf8(openssl::signature_error_data_prefix);
  ASSERT_EQ(name.rfind(prefix, 0), 0u) << name;
  const std::string number = name.substr(prefix.size());
  ASSERT_FALSE(number.empty());
  EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << name;
  EXPECT_GE(std::stoul(number), 1u);
  EXPECT_LE(std::stoul(number), 999'999u);

  std::vector<uint8_t> expected = hash_file_helpers::compute_buffer_hash(other.data(), other.size());
  expected.insert(expected.end(), {'\r', '\n', '\r', '\n'});
  expected.insert(expected.end(), signatures[0].begin(), signatures[0].end());
  EXPECT_EQ(signature_test::read_bytes(files[0]), expected);
  EXPECT_TRUE(log.contains(u"Verify error info contains in the file: " + common::utf8_to_utf16(files[0].string())));
}

TEST_F(sign_and_verify, the_file_holds_the_signature_in_der_even_when_it_came_with_a_tail) {
  const two_signers signers;
  signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  const std::vector<uint8_t> der = signatures[1];
  signatures[1].insert(signatures[1].end(), {0xff, 0xff});
  EXPECT_TRUE(updater::verify_signatures(1, signatures, signers.public_keys, data));
  EXPECT_TRUE(diagnostic_files().empty());

  EXPECT_FALSE(updater::verify_signatures(1, {signatures[1]}, {signers.public_keys[1]}, {}));
  const auto files = diagnostic_files();
  ASSERT_EQ(files.size(), 1u);
  const std::vector<uint8_t> content = signature_test::read_bytes(files[0]);
  ASSERT_EQ(content.size(), 32 + 4 + der.size());
  EXPECT_EQ(std::vector<uint8_t>(content.begin() + 36, content.end()), der);
}

TEST_F(sign_and_verify, every_mismatch_gets_a_file_of_its_own) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(updater::verify_signatures(1, signatures, signers.public_keys, {}));
  EXPECT_EQ(diagnostic_files().size(), 3u);
}

TEST_F(sign_and_verify, a_mismatch_stays_false_when_the_file_cannot_be_written) {
  const two_signers signers;
  const signature_list signatures = updater::sign_buffer(1, signers.private_keys, data);
  const signature_test::temp_dir_override missing(temp_path() / "missing");
  test_support::log_capture log;
  EXPECT_FALSE(updater::verify_signatures(1, signatures, signers.public_keys, {}));
  EXPECT_TRUE(log.contains_prefix(u"Failed to write the signature error data: "));
}

}  // namespace
