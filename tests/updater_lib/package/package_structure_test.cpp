// Every structural rule of the package format, each on a package that is otherwise
// valid and whose package signatures match the bytes as they are.
#include <gtest/gtest.h>

#include <limits>

#include "common/winapi/files/file_api.h"
#include "support/log_capture.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/package/package_test_support.h"

namespace {

using namespace package_test;

class package_structure : public ::testing::Test {
 protected:
  raised open_bytes(const bytes& content, const updater::key_list& public_keys = keys().public_keys) {
    const auto path = directory_.path() / "update.pkg";
    write_bytes(path, content);
    return code_of([&] { open_package(path, public_keys); });
  }

  // A package whose signed part is body, re-signed after edit changed it.
  raised open_edited(const std::function<void(bytes&)>& edit) {
    bytes body = head_section(header_content(1));
    append(body, file_section(u"a.bin", {1, 2, 3, 4}));
    bytes package = signed_package(body);
    const uint64_t signed_length = signed_length_of(package);
    bytes edited(package.begin(), package.begin() + static_cast<std::ptrdiff_t>(signed_length));
    edit(edited);
    return open_bytes(resign(edited, edited.size()));
  }

  test_support::temp_directory directory_;
};

TEST_F(package_structure, a_package_without_files_is_39_bytes_and_its_signatures) {
  const bytes package = signed_package(head_section(header_content(0)));
  EXPECT_EQ(signed_length_of(package), 39u);
  const auto path = directory_.path() / "empty.pkg";
  write_bytes(path, package);
  const updater::package opened(path.u16string(), updater::package::mode::open_existing, keys().public_keys, {});
  EXPECT_EQ(opened.get_package_info().file_count, 0u);
  EXPECT_EQ(opened.get_package_info().creation_time.year, 2026);
  EXPECT_TRUE(opened.get_files().empty());
}

TEST_F(package_structure, the_reader_reports_what_a_hand_built_package_holds) {
  const bytes first(3000, 0x5A);
  const bytes package = package_of({{u"first.dat", first}, {u"\u00e9t\u00e9.txt", {}}});
  const auto path = directory_.path() / "two.pkg";
  write_bytes(path, package);
  const updater::package opened(path.u16string(), updater::package::mode::open_existing, keys().public_keys, {});
  const auto& files = opened.get_files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].name, u"first.dat");
  EXPECT_EQ(files[0].data_size, 3000u);
  // 39 + FILE head 12 + name length 4 + 18 name bytes + data size 8.
  EXPECT_EQ(files[0].data_offset, 39u + 12 + 4 + 18 + 8);
  EXPECT_EQ(files[0].signatures.size(), 2u);
  EXPECT_EQ(files[1].name, u"\u00e9t\u00e9.txt");
  EXPECT_EQ(files[1].data_size, 0u);
}

TEST_F(package_structure, magic_and_signed_length) {
  const bytes valid = package_of({{u"a", {1}}});
  bytes wrong_magic = valid;
  wrong_magic[3] = '2';
  EXPECT_EQ(open_bytes(wrong_magic).value, 5362);

  bytes zero_length = valid;
  std::fill(zero_length.begin() + 4, zero_length.begin() + 12, 0);
  EXPECT_EQ(open_bytes(zero_length).value, 5360);

  bytes beyond = valid;
  const uint64_t too_far = valid.size() - 12 + 1;
  for (int i = 0; i < 8; ++i) beyond[4 + i] = static_cast<uint8_t>(too_far >> (8 * i));
  EXPECT_EQ(open_bytes(beyond).value, 5360);

  EXPECT_EQ(open_bytes({'R', 'X', '0'}).category, "win32");
  EXPECT_EQ(open_bytes({}).value, 38);
}

TEST_F(package_structure, header_rules) {
  EXPECT_EQ(open_edited([](bytes& p) {
              p[16] = 16;
              p.insert(p.begin() + 39, 0);
            }).value,
            5360);
  EXPECT_EQ(open_edited([](bytes& p) {
              p[16] = 14;
              p.erase(p.begin() + 38);
            }).value,
            5359);
  EXPECT_EQ(open_edited([](bytes& p) { p[24] = 1; }).value, 5362);
  EXPECT_EQ(open_edited([](bytes& p) { p[28] = 24; }).value, 5354);
  EXPECT_EQ(open_edited([](bytes& p) { p[31] = 31; }).value, 5354);
  EXPECT_EQ(open_edited([](bytes& p) { p[32] = 12; }).value, 5354);
  EXPECT_EQ(open_edited([](bytes& p) { p[33] = 0xD9; }).value, 5354);  // 2009
  EXPECT_EQ(open_edited([](bytes& p) { p[12] = 'h'; }).value, 5362);
  EXPECT_EQ(open_edited([](bytes& p) { std::fill(p.begin() + 16, p.begin() + 24, 0); }).value, 5360);
}

TEST_F(package_structure, file_section_rules) {
  constexpr size_t file = 39;
  EXPECT_EQ(open_edited([](bytes& p) { p[file] = 'f'; }).value, 5362);
  EXPECT_EQ(open_edited([](bytes& p) { std::fill(p.begin() + file + 4, p.begin() + file + 12, 0); }).value, 5360);
  EXPECT_EQ(open_edited([](bytes& p) { p[file + 11] = 0x10; }).value, 5360);  // size beyond the end
  // A data size that runs past the end fails as a short read of the next head.
  const raised past_end = open_edited([](bytes& p) { p[file + 12 + 4 + 10 + 7] = 0x01; });
  EXPECT_EQ(past_end.category, "win32");
  EXPECT_EQ(past_end.value, 38);
  // So does a name length that runs past the end, before anything is allocated.
  const raised long_name = open_edited([](bytes& p) { p[file + 12 + 3] = 0x7F; });
  EXPECT_EQ(long_name.category, "win32");
  EXPECT_EQ(long_name.value, 38);
  // A header that promises more files than there are.
  EXPECT_EQ(open_edited([](bytes& p) { p[35] = 2; }).value, 5362);
}

TEST_F(package_structure, an_odd_name_length_drops_the_last_byte) {
  bytes body = head_section(header_content(1));
  bytes section = file_section(u"ab", {7});
  section[12] = 5;                            // name length 5 instead of 4
  section.insert(section.begin() + 20, 'z');  // the odd byte
  section[4] += 1;
  append(body, section);
  const auto path = directory_.path() / "odd.pkg";
  write_bytes(path, signed_package(body));
  const updater::package opened(path.u16string(), updater::package::mode::open_existing, keys().public_keys, {});
  EXPECT_EQ(opened.get_files().at(0).name, u"ab");
}

TEST_F(package_structure, signature_section_limits) {
  const bytes body = head_section(header_content(0));
  bytes prefix;
  put_text(prefix, "RX01");
  put_u64(prefix, 39);
  append(prefix, body);
  const auto signatures = sign_data(prefix, keys().private_keys);
  const auto with_padding = [&](size_t padding) {
    bytes package = prefix;
    bytes entries;
    for (const auto& signature : signatures) {
      put_u32(entries, static_cast<uint32_t>(signature.size()));
      append(entries, signature);
    }
    entries.resize(entries.size() + padding, 0xCC);
    put_text(package, "SIGN");
    put_u64(package, entries.size());
    append(package, entries);
    return package;
  };
  const size_t used = 8 + signatures[0].size() + signatures[1].size();
  EXPECT_EQ(open_bytes(with_padding(164 - used)).value, -1);
  EXPECT_EQ(open_bytes(with_padding(165 - used)).value, 5360);

  bytes trailing = with_padding(0);
  trailing.push_back(0);
  EXPECT_EQ(open_bytes(trailing).value, 5360);

  bytes one_entry = prefix;
  append(one_entry, sign_section({signatures[0]}));
  EXPECT_EQ(open_bytes(one_entry).value, 5359);

  bytes overlong_entry = with_padding(0);
  overlong_entry[39 + 12] += 100;  // first entry's length
  EXPECT_EQ(open_bytes(overlong_entry).value, 5359);
}

TEST_F(package_structure, file_signature_section_limit) {
  const bytes data{9, 8, 7};
  const auto with_sign_size = [&](size_t sign_size) {
    bytes entries;
    for (const auto& signature : sign_data(data, keys().private_keys)) {
      put_u32(entries, static_cast<uint32_t>(signature.size()));
      append(entries, signature);
    }
    entries.resize(sign_size, 0);
    bytes section_body;
    put_u32(section_body, 2);
    put_u16(section_body, 'x');
    put_u64(section_body, data.size());
    append(section_body, data);
    put_text(section_body, "SIGN");
    put_u64(section_body, entries.size());
    append(section_body, entries);
    bytes body = head_section(header_content(1));
    put_text(body, "FILE");
    put_u64(body, section_body.size());
    append(body, section_body);
    return signed_package(body);
  };
  EXPECT_EQ(open_bytes(with_sign_size(164)).value, -1);
  EXPECT_EQ(open_bytes(with_sign_size(165)).value, 5360);
}

TEST_F(package_structure, failure_texts_name_the_rule) {
  test_support::log_capture log;
  bytes trailing = package_of({});
  trailing.push_back(1);
  EXPECT_EQ(open_bytes(trailing).value, 5360);
  EXPECT_TRUE(log.contains_substring(u"There is a data after the last signature block"));
  EXPECT_EQ(open_edited([](bytes& p) { p[24] = 7; }).value, 5362);
  EXPECT_TRUE(log.contains_substring(u"Invalid version of update compatibility = 7"));
  EXPECT_EQ(open_edited([](bytes& p) { p[12] = 'X'; }).value, 5362);
  EXPECT_TRUE(log.contains_substring(u"Invalid section tag"));
}

TEST_F(package_structure, a_read_count_above_32_bits_fails_with_5163) {
  const auto path = directory_.path() / "small";
  write_bytes(path, {1, 2, 3});
  const common::handle_holder file = updater::create_file_handle_for_reading(path.u16string());
  EXPECT_EQ(code_of([&] { updater::read_buffer_from_file(file.get(), uint64_t{1} << 32); }).value, 5163);
  EXPECT_EQ(updater::read_buffer_from_file(file.get(), 0).size(), 0u);
  EXPECT_EQ(updater::read_buffer_from_file(file.get(), 3), (bytes{1, 2, 3}));
  EXPECT_EQ(code_of([&] { updater::read_buffer_from_file(file.get(), 1); }).value, 38);
}

TEST_F(package_structure, a_missing_package_fails_to_open_with_the_windows_error) {
  const raised missing = code_of([&] { open_package(directory_.path() / "none.pkg"); });
  EXPECT_EQ(missing.category, "win32");
  EXPECT_EQ(missing.value, 2);
}

}  // namespace
