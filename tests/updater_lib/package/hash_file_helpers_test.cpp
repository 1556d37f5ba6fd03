#include "updater_lib/details/package/hash_file_helpers.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "updater_lib/package/signature_test_helpers.h"
#include "updater_lib/run/update_run_expect_code.h"

namespace {

using hash_file_helpers::compute_buffer_hash;
using hash_file_helpers::create_hash_engine;
using signature_test::bytes_of;
using signature_test::to_hex;

// FIPS 180-4 examples (one-block and two-block messages) and the empty message.
constexpr char abc_digest[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr char two_block_message[] = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr char two_block_digest[] = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
constexpr char empty_digest[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr char million_a_digest[] = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

TEST(hash_buffer_digest, matches_the_standard_examples) {
  EXPECT_EQ(to_hex(compute_buffer_hash("abc", 3)), abc_digest);
  EXPECT_EQ(to_hex(compute_buffer_hash(two_block_message, sizeof(two_block_message) - 1)), two_block_digest);
  const std::string million_a(1'000'000, 'a');
  EXPECT_EQ(to_hex(compute_buffer_hash(million_a.data(), static_cast<uint32_t>(million_a.size()))), million_a_digest);
}

TEST(hash_buffer_digest, non_null_pointer_with_no_bytes_is_the_empty_message) {
  const char byte = 'x';
  EXPECT_EQ(to_hex(compute_buffer_hash(&byte, 0)), empty_digest);
}

TEST(hash_buffer_digest, null_pointer_is_refused_whatever_the_count) {
  test_support::expect_application_error(5182, [] { compute_buffer_hash(nullptr, 0); });
  test_support::expect_application_error(5182, [] { compute_buffer_hash(nullptr, 3); });
  const auto engine = create_hash_engine();
  test_support::expect_application_error(5182, [&] { compute_buffer_hash(nullptr, 0, *engine); });
}

TEST(hash_buffer_digest, reuses_a_given_engine_from_a_clean_state) {
  const auto engine = create_hash_engine();
  engine->init();
  engine->update("left over", 9);
  EXPECT_EQ(to_hex(compute_buffer_hash("abc", 3, *engine)), abc_digest);
  EXPECT_EQ(to_hex(compute_buffer_hash("abc", 3, *engine)), abc_digest);
}

TEST(hash_engine, split_updates_give_the_one_call_digest) {
  const std::vector<uint8_t> message = bytes_of(two_block_message);
  for (size_t first = 0; first <= message.size(); first += 7) {
    const auto engine = create_hash_engine();
    engine->init();
    engine->update(message.data(), first);
    engine->update(message.data() + first, 0);
    for (size_t i = first; i < message.size(); ++i) engine->update(message.data() + i, 1);
    EXPECT_EQ(to_hex(engine->final()), two_block_digest) << "first part of " << first << " bytes";
  }
}

TEST(hash_engine, final_returns_the_digest_size) {
  const auto engine = create_hash_engine();
  EXPECT_EQ(engine->digest_size(), 32u);
  engine->init();
  EXPECT_EQ(engine->final().size(), 32u);
  engine->init();
  engine->update("abc", 3);
  EXPECT_EQ(engine->final().size(), engine->digest_size());
}

TEST(hash_engine, init_discards_earlier_state) {
  const auto engine = create_hash_engine();
  engine->init();
  engine->update("xyz", 3);
  engine->init();
  engine->update("abc", 3);
  EXPECT_EQ(to_hex(engine->final()), abc_digest);
}

TEST(hash_engine, use_without_init_is_refused_instead_of_a_wrong_digest) {
  const auto fresh = create_hash_engine();
  EXPECT_THROW(fresh->update("abc", 3), std::logic_error);
  EXPECT_THROW(fresh->final(), std::logic_error);

  const auto finished = create_hash_engine();
  finished->init();
  finished->update("abc", 3);
  EXPECT_EQ(to_hex(finished->final()), abc_digest);
  EXPECT_THROW(finished->final(), std::logic_error);
  EXPECT_THROW(finished->update("abc", 3), std::logic_error);
}

}  // namespace
