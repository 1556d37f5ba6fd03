// Any change to a signed package must be refused, and the package signatures are
// checked before anything they cover is interpreted.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "support/process_resources.h"
#include "support/temp_directory.h"
#include "updater_lib/package/package_test_support.h"
#include "updater_lib/package/signature_test_helpers.h"

namespace {

using namespace package_test;
using test_support::current_process_resources;
using test_support::process_resources;

class package_tamper : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(diagnostics());
    temp_override_.emplace(diagnostics());
    package_ = package_of({{u"a", {1, 2, 3, 4, 5}}, {u"b", {'a', 'b', 'c'}}});
  }

  std::filesystem::path diagnostics() const { return directory_.path() / "tmp"; }

  size_t diagnostic_file_count() const {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(diagnostics())) {
      count += entry.path().filename().string().starts_with("update_package_signature_error_data");
    }
    return count;
  }

  raised open_bytes(const bytes& content, const updater::key_list& public_keys = keys().public_keys) {
    const auto path = directory_.path() / "update.pkg";
    write_bytes(path, content);
    return code_of([&] { open_package(path, public_keys); });
  }

  test_support::temp_directory directory_;
  std::optional<signature_test::temp_dir_override> temp_override_;
  bytes package_;
};

TEST_F(package_tamper, the_untouched_package_opens) { EXPECT_EQ(open_bytes(package_).value, -1); }

TEST_F(package_tamper, every_changed_byte_is_refused) {
  const uint64_t signed_length = signed_length_of(package_);
  for (size_t i = 0; i < package_.size(); ++i) {
    // The lowest and the highest bit in turn: small and large changes of every field.
    const uint8_t mask = i % 2 ? 0x01 : 0x80;
    bytes changed = package_;
    changed[i] ^= mask;
    const raised result = open_bytes(changed);
    ASSERT_NE(result.value, -1) << "byte " << i;
    if (i >= 12 && i < signed_length) {
      // Header and files are only read once the package signatures hold.
      EXPECT_EQ(result.value, 5362) << "byte " << i;
      EXPECT_EQ(result.category, "application") << "byte " << i;
    }
  }
  EXPECT_GT(diagnostic_file_count(), 0u);
}

TEST_F(package_tamper, every_truncation_and_any_extension_is_refused) {
  for (size_t size = 0; size < package_.size(); ++size) {
    const bytes truncated(package_.begin(), package_.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_NE(open_bytes(truncated).value, -1) << "size " << size;
  }
  bytes extended = package_;
  extended.push_back(0);
  EXPECT_EQ(open_bytes(extended).value, 5360);
  bytes twice_signed = package_;
  const uint64_t signed_length = signed_length_of(package_);
  twice_signed.insert(twice_signed.end(), package_.begin() + static_cast<std::ptrdiff_t>(signed_length),
                      package_.end());
  EXPECT_EQ(open_bytes(twice_signed).value, 5360);
}

TEST_F(package_tamper, reordered_sections_are_refused) {
  const bytes head = head_section(header_content(2));
  const bytes one = file_section(u"one.bin", {1, 2, 3, 4, 5});
  const bytes two = file_section(u"two.txt", {'a', 'b', 'c'});
  bytes in_order = head;
  append(in_order, one);
  append(in_order, two);
  const bytes original = signed_package(in_order);

  // The files swapped under the original package signatures.
  bytes swapped(original.begin(), original.begin() + 12);
  append(swapped, head);
  append(swapped, two);
  append(swapped, one);
  swapped.insert(swapped.end(), original.begin() + static_cast<std::ptrdiff_t>(signed_length_of(original)),
                 original.end());
  EXPECT_EQ(open_bytes(swapped).value, 5362);

  // The header after the files, even when signed that way.
  bytes head_last = one;
  append(head_last, two);
  append(head_last, head);
  EXPECT_EQ(open_bytes(signed_package(head_last)).value, 5362);

  // The package signature section before the files.
  bytes sign_first(original.begin(), original.begin() + 39);
  sign_first.insert(sign_first.end(), original.begin() + static_cast<std::ptrdiff_t>(signed_length_of(original)),
                    original.end());
  EXPECT_NE(open_bytes(sign_first).value, -1);
}

TEST_F(package_tamper, signatures_must_match_the_key_at_their_position) {
  const uint64_t signed_length = signed_length_of(package_);
  bytes prefix(package_.begin(), package_.begin() + static_cast<std::ptrdiff_t>(signed_length));
  auto signatures = sign_data(prefix, keys().private_keys);
  std::swap(signatures[0], signatures[1]);
  bytes swapped = prefix;
  append(swapped, sign_section(signatures));
  EXPECT_EQ(open_bytes(swapped).value, 5362);

  const updater::key_list reversed{keys().public_keys[1], keys().public_keys[0]};
  EXPECT_EQ(open_bytes(package_, reversed).value, 5362);

  // A file whose own signatures are swapped, under valid package signatures.
  bytes body = head_section(header_content(1));
  bytes section = file_section(u"f", {1, 2});
  const size_t sign_offset = 12 + 4 + 2 + 8 + 2;
  auto file_signatures = sign_data({1, 2}, keys().private_keys);
  std::swap(file_signatures[0], file_signatures[1]);
  section.resize(sign_offset);
  append(section, sign_section(file_signatures));
  append(body, section);
  EXPECT_EQ(open_bytes(signed_package(body)).value, 5362);
}

TEST_F(package_tamper, exactly_two_keys_are_needed) {
  EXPECT_EQ(open_bytes(package_, {keys().public_keys[0]}).value, 5351);
  EXPECT_EQ(open_bytes(package_, {keys().public_keys[0], keys().public_keys[1], keys().public_keys[0]}).value, 5351);
  EXPECT_EQ(open_bytes(package_, {}).value, 5351);
  // Packages signed by one key only hold one signature per section.
  EXPECT_EQ(open_bytes(signed_package(head_section(header_content(0)), {keys().private_keys[0]})).value, 5359);
  // The same key twice does not stand for the second key.
  EXPECT_EQ(open_bytes(package_, {keys().public_keys[0], keys().public_keys[0]}).value, 5362);
}

TEST_F(package_tamper, signatures_and_keys_must_be_well_formed) {
  const uint64_t signed_length = signed_length_of(package_);
  bytes prefix(package_.begin(), package_.begin() + static_cast<std::ptrdiff_t>(signed_length));
  auto signatures = sign_data(prefix, keys().private_keys);
  signatures[0] = bytes(signatures[0].size(), 0x41);
  bytes not_der = prefix;
  append(not_der, sign_section(signatures));
  EXPECT_EQ(open_bytes(not_der).value, 5331);

  bytes bad_point = keys().public_keys[0];
  bad_point[0] = 0x05;
  EXPECT_EQ(open_bytes(package_, {bad_point, keys().public_keys[1]}).value, 5344);
}

TEST_F(package_tamper, a_mismatch_leaves_the_signature_diagnostic_file) {
  bytes body = head_section(header_content(1));
  append(body, file_section(u"f", {1, 2, 3}, {keys().private_keys[1], keys().private_keys[0]}));
  EXPECT_EQ(open_bytes(signed_package(body)).value, 5362);
  ASSERT_EQ(diagnostic_file_count(), 1u);
  const auto entry = *std::filesystem::directory_iterator(diagnostics());
  const bytes content = read_bytes(entry.path());
  ASSERT_GT(content.size(), 36u + 8);
  EXPECT_EQ(bytes(content.begin() + 32, content.begin() + 36), (bytes{'\r', '\n', '\r', '\n'}));
  EXPECT_EQ(content[36], 0x30);  // a DER sequence
}

// The file digests are computed during the package digest, but failures keep the order
// of a sequential reading: package signatures, header, then each file in turn.
TEST_F(package_tamper, failures_come_in_reading_order) {
  const bytes good = file_section(u"good", {1});
  const bytes bad_signature = file_section(u"bad", {2}, {keys().private_keys[1], keys().private_keys[0]});
  bytes big_sign_section = file_section(u"big", {3});
  const size_t sign_size_at = 12 + 4 + 6 + 8 + 1 + 4;
  big_sign_section[sign_size_at] = 200;  // SIGN size above 164 (and past the section)

  const auto package_with = [](const bytes& header, const std::vector<bytes>& files) {
    bytes body = head_section(header);
    for (const auto& file : files) append(body, file);
    return signed_package(body);
  };
  // The second file's structural fault comes after the first file's signatures.
  EXPECT_EQ(open_bytes(package_with(header_content(2), {bad_signature, big_sign_section})).value, 5362);
  EXPECT_EQ(open_bytes(package_with(header_content(2), {good, big_sign_section})).value, 5360);
  // A header fault comes before any file's signatures.
  bytes bad_date = header_content(2);
  bad_date[8] = 12;
  EXPECT_EQ(open_bytes(package_with(bad_date, {bad_signature, good})).value, 5354);
  // The package signatures come before the header.
  bytes unsigned_bad_date = package_with(bad_date, {good});
  unsigned_bad_date[unsigned_bad_date.size() - 1] ^= 1;
  EXPECT_EQ(open_bytes(unsigned_bad_date).value, 5362);
  // Only as many files as the header names are read.
  EXPECT_EQ(open_bytes(package_with(header_content(1), {good, bad_signature})).value, -1);
}

// Opening hashes on a second thread; every way out, refused or accepted, joins it and
// closes the package file.
TEST_F(package_tamper, no_thread_or_open_file_outlives_an_opening) {
  bytes bad_file_signature = head_section(header_content(2));
  append(bad_file_signature, file_section(u"a", bytes(3 * 1024 * 1024, 1)));
  append(bad_file_signature, file_section(u"b", {2}, {keys().private_keys[1], keys().private_keys[0]}));
  bytes bad_header = head_section(header_content(1, 5));
  append(bad_header, file_section(u"a", {1}));
  bytes broken_package_signature = package_;
  broken_package_signature[20] ^= 1;

  const process_resources before = current_process_resources();
  EXPECT_EQ(open_bytes(signed_package(bad_file_signature)).value, 5362);
  EXPECT_EQ(open_bytes(signed_package(bad_header)).value, 5362);
  EXPECT_EQ(open_bytes(broken_package_signature).value, 5362);
  EXPECT_EQ(open_bytes(bytes(package_.begin(), package_.end() - 1)).value, 5360);
  EXPECT_EQ(open_bytes(package_, {keys().public_keys[0]}).value, 5351);
  EXPECT_EQ(open_bytes(package_).value, -1);
  EXPECT_EQ(current_process_resources(), before);
}

}  // namespace
