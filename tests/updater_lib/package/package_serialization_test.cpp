#include "updater_lib/details/package/package_serialization.h"

#include <gtest/gtest.h>

#include "updater_lib/package/package_test_support.h"

namespace {

using package_test::bytes;
using package_test::code_of;

template <typename T>
T decode_all(const bytes& buffer) {
  const uint8_t* cursor = buffer.data();
  const T value = updater::deserialize_value<T>(cursor, buffer.data() + buffer.size());
  EXPECT_EQ(cursor, buffer.data() + buffer.size());
  return value;
}

TEST(package_serialization, integers_are_little_endian_without_padding) {
  bytes out;
  updater::serialize_value(uint8_t{0xAB}, out);
  updater::serialize_value(uint16_t{0x1234}, out);
  updater::serialize_value(uint32_t{0x89ABCDEF}, out);
  updater::serialize_value(uint64_t{0x0102030405060708}, out);
  EXPECT_EQ(out, (bytes{0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 8, 7, 6, 5, 4, 3, 2, 1}));

  const uint8_t* cursor = out.data();
  const uint8_t* end = out.data() + out.size();
  EXPECT_EQ(updater::deserialize_value<uint8_t>(cursor, end), 0xAB);
  EXPECT_EQ(updater::deserialize_value<uint16_t>(cursor, end), 0x1234);
  EXPECT_EQ(updater::deserialize_value<uint32_t>(cursor, end), 0x89ABCDEFu);
  EXPECT_EQ(updater::deserialize_value<uint64_t>(cursor, end), 0x0102030405060708u);
  EXPECT_EQ(cursor, end);
}

TEST(package_serialization, a_value_running_past_the_buffer_fails_with_5359) {
  const bytes three{1, 2, 3};
  EXPECT_EQ(code_of([&] { decode_all<uint32_t>(three); }).value, 5359);
  EXPECT_EQ(code_of([&] { decode_all<uint64_t>(bytes(7)); }).value, 5359);
  EXPECT_EQ(code_of([&] { decode_all<uint8_t>(bytes{}); }).value, 5359);
  EXPECT_EQ(code_of([&] { decode_all<updater::date_time_t>(bytes(6)); }).value, 5359);
}

TEST(package_serialization, vector_forms_need_the_exact_width) {
  EXPECT_EQ(updater::deserialize_uint32(bytes{1, 0, 0, 0x80}), 0x80000001u);
  EXPECT_EQ(updater::deserialize_uint64(bytes{0, 0, 0, 0, 0, 0, 0, 1}), 0x0100000000000000u);
  EXPECT_EQ(code_of([] { updater::deserialize_uint32(bytes(5)); }).value, 5359);
  EXPECT_EQ(code_of([] { updater::deserialize_uint32(bytes(3)); }).value, 5359);
  EXPECT_EQ(code_of([] { updater::deserialize_uint64(bytes(4)); }).value, 5359);
}

TEST(package_serialization, package_info_takes_fifteen_bytes_in_field_order) {
  updater::package_info info;
  info.creation_time = {9, 30, 15, 16, 4, 2026};
  info.file_count = 0x01020304;
  const bytes encoded = updater::serialize_package_info(info);
  bytes expected = package_test::header_content(0x01020304);
  EXPECT_EQ(encoded, expected);

  const auto decoded = updater::deserialize_package_info(expected);
  EXPECT_EQ(decoded.version_of_update_compatibility, 0u);
  EXPECT_EQ(decoded.creation_time.hour, 9);
  EXPECT_EQ(decoded.creation_time.minute, 30);
  EXPECT_EQ(decoded.creation_time.second, 15);
  EXPECT_EQ(decoded.creation_time.day, 16);
  EXPECT_EQ(decoded.creation_time.month, 4);
  EXPECT_EQ(decoded.creation_time.year, 2026);
  EXPECT_EQ(decoded.file_count, 0x01020304u);
}

TEST(package_serialization, package_info_rules) {
  const auto decode = [](const bytes& content) { return code_of([&] { updater::deserialize_package_info(content); }); };
  const package_test::raised version = decode(package_test::header_content(0, 1));
  EXPECT_EQ(version.value, 5362);

  bytes longer = package_test::header_content(0);
  longer.push_back(0);
  EXPECT_EQ(decode(longer).value, 5360);
  bytes shorter = package_test::header_content(0);
  shorter.pop_back();
  EXPECT_EQ(decode(shorter).value, 5359);

  const auto with_byte = [](size_t offset, std::vector<uint8_t> value) {
    bytes content = package_test::header_content(0);
    std::copy(value.begin(), value.end(), content.begin() + static_cast<std::ptrdiff_t>(offset));
    return content;
  };
  EXPECT_EQ(decode(with_byte(4, {24})).value, 5354);          // hour
  EXPECT_EQ(decode(with_byte(5, {60})).value, 5354);          // minute
  EXPECT_EQ(decode(with_byte(6, {61})).value, 5354);          // second
  EXPECT_EQ(decode(with_byte(7, {31})).value, 5354);          // day 32
  EXPECT_EQ(decode(with_byte(8, {12})).value, 5354);          // month 13
  EXPECT_EQ(decode(with_byte(9, {0xD9, 0x07})).value, 5354);  // 2009
  EXPECT_EQ(decode(with_byte(9, {0x99, 0x08})).value, 5354);  // 2201
  EXPECT_EQ(decode(with_byte(6, {60})).value, -1);            // a leap second is fine
  EXPECT_EQ(decode(with_byte(9, {0xDA, 0x07})).value, -1);    // 2010
  EXPECT_EQ(decode(with_byte(9, {0x98, 0x08})).value, -1);    // 2200
}

TEST(package_serialization, signature_sections_carry_length_prefixed_entries) {
  const updater::signature_list signatures{{1, 2, 3}, {4, 5}};
  EXPECT_EQ(updater::serialize_signature({1, 2, 3}), (bytes{3, 0, 0, 0, 1, 2, 3}));
  EXPECT_EQ(updater::serialize_signatures(signatures), (bytes{3, 0, 0, 0, 1, 2, 3, 2, 0, 0, 0, 4, 5}));
  EXPECT_EQ(updater::serialize_signatures_section(signatures), package_test::sign_section(signatures));
  EXPECT_EQ(updater::serialize_signatures_section(signatures),
            (bytes{'S', 'I', 'G', 'N', 13, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1, 2, 3, 2, 0, 0, 0, 4, 5}));
}

TEST(package_serialization, readers_take_exactly_two_signatures) {
  bytes content = updater::serialize_signatures({{1, 2, 3}, {4, 5}, {6}});
  content.push_back(0xEE);
  EXPECT_EQ(updater::deserialize_signatures(content), (updater::signature_list{{1, 2, 3}, {4, 5}}));

  EXPECT_EQ(code_of([] { updater::deserialize_signatures(updater::serialize_signatures({{1, 2}})); }).value, 5359);
  bytes overlong = updater::serialize_signatures({{1, 2}});
  package_test::put_u32(overlong, 10);
  overlong.push_back(1);
  EXPECT_EQ(code_of([&] { updater::deserialize_signatures(overlong); }).value, 5359);
  EXPECT_EQ(code_of([] { updater::deserialize_signatures({}); }).value, 5359);
}

}  // namespace
