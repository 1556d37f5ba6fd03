// The look-ahead over unverified FILE sections: it finds the data of honest packages,
// never raises on forged ones, and its memory does not grow with a forged package.
#include "updater_lib/details/package/package_layout_scan.h"

#include <gtest/gtest.h>

#include "common/fs_utils.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/details/package/package_verification.h"
#include "updater_lib/package/package_test_support.h"
#include "updater_lib/package/signature_test_helpers.h"

namespace {

using namespace package_test;

class package_layout_scan : public ::testing::Test {
 protected:
  std::vector<updater::byte_range> scan(const bytes& content) {
    const auto path = directory_.path() / "scanned.pkg";
    write_bytes(path, content);
    const common::handle_holder file = updater::create_file_handle_for_reading(path.u16string());
    return updater::scan_file_data_ranges(file.get(), signed_length_of(content));
  }

  // The start of a package image without files and without its signature section.
  static bytes package_start(uint32_t file_count) {
    bytes image;
    put_text(image, "RX01");
    put_u64(image, 0);
    append(image, head_section(header_content(file_count)));
    return image;
  }

  static void set_signed_length(bytes& image) {
    for (int i = 0; i < 8; ++i) image[4 + i] = static_cast<uint8_t>(image.size() >> (8 * i));
  }

  test_support::temp_directory directory_;
  // Mismatches leave their diagnostic files here rather than in the shared one.
  signature_test::temp_dir_override temp_override_{directory_.path()};
};

TEST_F(package_layout_scan, finds_the_data_of_every_file_of_an_honest_package) {
  const bytes package = package_of({{u"one", {1, 2, 3}}, {u"empty", {}}, {u"three", bytes(5000, 7)}});
  const auto path = directory_.path() / "honest.pkg";
  write_bytes(path, package);
  const updater::package opened(path.u16string(), updater::package::mode::open_existing, keys().public_keys, {});

  const auto ranges = scan(package);
  ASSERT_EQ(ranges.size(), 3u);
  for (size_t i = 0; i < ranges.size(); ++i) {
    EXPECT_EQ(ranges[i].offset, opened.get_files()[i].data_offset) << i;
    EXPECT_EQ(ranges[i].length, opened.get_files()[i].data_size) << i;
  }
}

TEST_F(package_layout_scan, stops_quietly_at_what_does_not_fit) {
  bytes image = package_start(2);
  const bytes good = file_section(u"a", {1, 2});
  append(image, good);
  bytes forged = file_section(u"b", {3});
  forged[12 + 3] = 0x7F;  // name length far beyond the signed bytes
  append(image, forged);
  set_signed_length(image);
  const auto ranges = scan(image);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0], (updater::byte_range{39 + 12 + 4 + 2 + 8, 2}));

  bytes huge_header = package_start(0);
  for (int i = 0; i < 8; ++i) huge_header[16 + i] = 0xFF;
  set_signed_length(huge_header);
  EXPECT_TRUE(scan(huge_header).empty());
}

TEST_F(package_layout_scan, a_forged_run_of_tiny_sections_finds_a_bounded_number_of_ranges) {
  // Each section: "FILE", size, name length 0, data size 0, "SIGN", size 0: 36 bytes.
  bytes tiny;
  put_text(tiny, "FILE");
  put_u64(tiny, 24);
  put_u32(tiny, 0);
  put_u64(tiny, 0);
  put_text(tiny, "SIGN");
  put_u64(tiny, 0);
  bytes image = package_start(0);
  for (size_t i = 0; i < updater::max_scanned_ranges + 100; ++i) append(image, tiny);
  set_signed_length(image);
  EXPECT_EQ(scan(image).size(), updater::max_scanned_ranges);
}

// The file checks take a digest from the scan only for exactly their data range and
// hash anything else themselves.
TEST_F(package_layout_scan, a_file_check_without_a_known_digest_hashes_the_data_itself) {
  constexpr uint64_t data_offset = 39 + 12 + 4 + 2 + 8;
  const auto check_first_file = [&](const bytes& section, const updater::known_range_digests& known) {
    bytes body = head_section(header_content(1));
    append(body, section);
    const auto path = directory_.path() / "one.pkg";
    write_bytes(path, signed_package(body));
    const common::handle_holder file = updater::create_file_handle_for_reading(path.u16string());
    fs_utils::set_file_pointer(file.get(), 39);
    const updater::package_file_info entry =
        updater::check_file_and_read_file_info(file.get(), keys().public_keys, known);
    EXPECT_EQ(fs_utils::get_file_pointer(file.get()), 39 + section.size());
    return entry;
  };
  const bytes good = file_section(u"f", {1, 2, 3});
  const updater::package_file_info entry = check_first_file(good, {});
  EXPECT_EQ(entry.name, u"f");
  EXPECT_EQ(entry.data_offset, data_offset);
  EXPECT_EQ(entry.data_size, 3u);

  // A wrong digest stands for the data where it is used: it is used only for exactly its
  // range.
  const bytes wrong_digest = hash_file_helpers::compute_buffer_hash("xyz", 3);
  const auto known_for = [&](const updater::byte_range& range) {
    return updater::known_range_digests({{range, wrong_digest}});
  };
  EXPECT_EQ(check_first_file(good, known_for({data_offset, 2})).data_size, 3u);
  EXPECT_EQ(check_first_file(good, known_for({data_offset + 1, 3})).data_size, 3u);
  EXPECT_EQ(code_of([&] { check_first_file(good, known_for({data_offset, 3})); }).value, 5362);

  const bytes swapped = file_section(u"f", {1, 2, 3}, {keys().private_keys[1], keys().private_keys[0]});
  EXPECT_EQ(code_of([&] { check_first_file(swapped, {}); }).value, 5362);
}

}  // namespace
