// Range digests: the one-pass form with parts must give exactly the digests of the
// sequential form, and fail the same way.
#include "updater_lib/details/package/package_hashing.h"

#include <gtest/gtest.h>

#include <numeric>

#include "common/fs_utils.h"
#include "support/process_resources.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/block_ring.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/package/package_test_support.h"

namespace {

using namespace package_test;
using test_support::current_process_resources;
using test_support::process_resources;
using updater::byte_range;

constexpr uint64_t mib = 1024 * 1024;

class package_hashing : public ::testing::Test {
 protected:
  void SetUp() override {
    content_.resize(3 * mib + 12345);
    for (size_t i = 0; i < content_.size(); ++i) content_[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    path_ = directory_.path() / "data";
    write_bytes(path_, content_);
    file_ = updater::create_file_handle_for_reading(path_.u16string());
  }

  bytes digest_of(const byte_range& range) const {
    static const uint8_t empty = 0;
    const uint8_t* start = range.length ? content_.data() + range.offset : &empty;
    return hash_file_helpers::compute_buffer_hash(start, static_cast<uint32_t>(range.length));
  }

  test_support::temp_directory directory_;
  std::filesystem::path path_;
  bytes content_;
  common::handle_holder file_;
};

TEST_F(package_hashing, a_range_digest_is_the_sha256_of_its_bytes) {
  for (const byte_range range : {byte_range{0, 0}, byte_range{5, 1}, byte_range{1, mib}, byte_range{7, 2 * mib + 3},
                                 byte_range{0, 3 * mib + 12345}}) {
    EXPECT_EQ(updater::compute_hash_of_part_of_the_file(file_.get(), range.offset, range.length), digest_of(range));
    EXPECT_EQ(fs_utils::get_file_pointer(file_.get()), range.offset + range.length);
  }
}

TEST_F(package_hashing, one_pass_gives_the_whole_and_every_part) {
  const byte_range whole{3, content_.size() - 10};
  const std::vector<byte_range> parts{
      {3, 0},         {3, 10},          {100, mib - 100},    {mib, 0},         {mib, 1},
      {mib + 5, mib}, {2 * mib + 5, 0}, {2 * mib + 9, 4096}, {3 * mib, 12338}, {whole.offset + whole.length, 0}};
  const auto result =
      updater::compute_hash_of_part_of_the_file_and_parts(file_.get(), whole.offset, whole.length, parts);
  EXPECT_EQ(result.whole, digest_of(whole));
  ASSERT_EQ(result.parts.size(), parts.size());
  for (size_t i = 0; i < parts.size(); ++i) {
    EXPECT_EQ(result.parts[i].range, parts[i]) << i;
    EXPECT_EQ(result.parts[i].digest, digest_of(parts[i])) << i;
  }
}

TEST_F(package_hashing, one_pass_without_parts_is_the_plain_digest) {
  const auto result = updater::compute_hash_of_part_of_the_file_and_parts(file_.get(), 0, 1000, {});
  EXPECT_EQ(result.whole, digest_of({0, 1000}));
  EXPECT_TRUE(result.parts.empty());
}

TEST_F(package_hashing, a_range_past_the_end_fails_alike_in_both_forms) {
  const uint64_t length = content_.size() + 1;
  const process_resources before = current_process_resources();
  const raised sequential = code_of([&] { updater::compute_hash_of_part_of_the_file(file_.get(), 0, length); });
  const raised one_pass = code_of([&] {
    updater::compute_hash_of_part_of_the_file_and_parts(file_.get(), 0, length, {{0, content_.size()}});
  });
  EXPECT_EQ(sequential.category, "win32");
  EXPECT_EQ(sequential.value, 38);
  EXPECT_EQ(one_pass.category, sequential.category);
  EXPECT_EQ(one_pass.value, sequential.value);
  // The hashing thread is joined on the way out.
  EXPECT_EQ(current_process_resources(), before);
}

TEST(block_ring, the_consumer_sees_every_block_in_order_while_slots_are_reused) {
  updater::block_ring ring(2, 8);
  std::vector<uint64_t> offsets;
  uint64_t sum = 0;
  std::thread consumer([&] {
    ring.run_consumer([&](uint64_t offset, const uint8_t* data, size_t size) {
      offsets.push_back(offset);
      for (size_t i = 0; i < size; ++i) sum += data[i];
    });
  });
  uint64_t expected = 0;
  for (uint64_t block = 0; block < 1000; ++block) {
    uint8_t* slot = ring.acquire();
    for (size_t i = 0; i < 8; ++i) slot[i] = static_cast<uint8_t>(block + i);
    for (size_t i = 0; i < 8; ++i) expected += static_cast<uint8_t>(block + i);
    ring.publish(block * 8, 8);
  }
  ring.close();
  consumer.join();
  ASSERT_EQ(offsets.size(), 1000u);
  for (uint64_t block = 0; block < 1000; ++block) EXPECT_EQ(offsets[block], block * 8);
  EXPECT_EQ(sum, expected);
  EXPECT_FALSE(ring.consumer_error());
}

TEST(block_ring, a_failing_consumer_keeps_releasing_blocks) {
  updater::block_ring ring(1, 4);
  int calls = 0;
  std::thread consumer([&] {
    ring.run_consumer([&](uint64_t, const uint8_t*, size_t) {
      ++calls;
      throw std::runtime_error("consumer failed");
    });
  });
  for (int block = 0; block < 10; ++block) {
    ring.acquire();
    ring.publish(block, 4);
  }
  ring.close();
  consumer.join();
  EXPECT_EQ(calls, 1);
  EXPECT_THROW(std::rethrow_exception(ring.consumer_error()), std::runtime_error);
}

}  // namespace
