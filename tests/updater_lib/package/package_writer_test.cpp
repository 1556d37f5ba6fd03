// Packages made by the writer: their bytes against the layout, and the round trip
// through the reader.
#include "updater_lib/details/package/package_writer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/log_capture.h"
#include "support/temp_directory.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/package/package_test_support.h"
#include "updater_lib/package/signature_test_helpers.h"

namespace {

using namespace package_test;
using updater::package;

uint64_t u64_at(const bytes& content, size_t offset) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= static_cast<uint64_t>(content.at(offset + i)) << (8 * i);
  return value;
}

uint32_t u32_at(const bytes& content, size_t offset) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(content.at(offset + i)) << (8 * i);
  return value;
}

class package_writer : public ::testing::Test {
 protected:
  std::filesystem::path source(const std::string& name, const bytes& content) {
    const auto path = directory_.path() / name;
    write_bytes(path, content);
    return path;
  }
  std::u16string output() const { return (directory_.path() / "out.pkg").u16string(); }
  bytes output_bytes() const { return read_bytes(directory_.path() / "out.pkg"); }

  test_support::temp_directory directory_;
  // Mismatches leave their diagnostic files here rather than in the shared one.
  signature_test::temp_dir_override temp_override_{directory_.path()};
};

TEST_F(package_writer, an_empty_package_is_the_header_and_the_package_signatures) {
  { const package created(output(), package::mode::create_new, {}, keys().private_keys); }
  const bytes content = output_bytes();
  ASSERT_GE(content.size(), 39u + 12);
  EXPECT_EQ(bytes(content.begin(), content.begin() + 4), (bytes{'R', 'X', '0', '1'}));
  EXPECT_EQ(u64_at(content, 4), 39u);
  EXPECT_EQ(bytes(content.begin() + 12, content.begin() + 16), (bytes{'H', 'E', 'A', 'D'}));
  EXPECT_EQ(u64_at(content, 16), 15u);
  EXPECT_EQ(u32_at(content, 24), 0u);  // version
  EXPECT_EQ(u32_at(content, 35), 0u);  // file count
  EXPECT_EQ(bytes(content.begin() + 39, content.begin() + 43), (bytes{'S', 'I', 'G', 'N'}));
  const uint64_t sign_size = u64_at(content, 43);
  EXPECT_EQ(content.size(), 39 + 12 + sign_size);
  const uint32_t first = u32_at(content, 51);
  const uint32_t second = u32_at(content, 55 + first);
  EXPECT_EQ(sign_size, 4 + first + 4 + second);

  const package opened(output(), package::mode::open_existing, keys().public_keys, {});
  EXPECT_EQ(opened.get_package_info().file_count, 0u);
}

TEST_F(package_writer, the_header_carries_the_local_creation_time) {
  // Year, month, day, hour, minute, second: ordered like the moments they stand for,
  // also across midnight.
  const auto moment = [](const updater::date_time_t& time) {
    return std::tuple(time.year, time.month, time.day, time.hour, time.minute, time.second);
  };
  const auto before = updater::get_current_local_date_time();
  { const package created(output(), package::mode::create_new, {}, keys().private_keys); }
  const auto after = updater::get_current_local_date_time();
  const bytes content = output_bytes();
  const uint16_t year = static_cast<uint16_t>(content[33] | (content[34] << 8));
  const auto stamped = std::tuple(year, content[32], content[31], content[28], content[29], content[30]);
  EXPECT_LE(moment(before), stamped);
  EXPECT_LE(stamped, moment(after));
}

TEST_F(package_writer, files_are_laid_out_as_the_format_says) {
  bytes big(3 * 1024 * 1024 + 17);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + (i >> 11));
  const auto first = source("big.bin", big);
  const auto second = source("empty", {});
  {
    package created(output(), package::mode::create_new, {}, keys().private_keys);
    created.add_file(u"big.bin", first.u16string());
    created.add_file(u"\u00e9", second.u16string());
    created.complete();
    EXPECT_EQ(created.get_package_info().file_count, 2u);
  }
  const bytes content = output_bytes();
  // FILE big.bin at 39.
  size_t at = 39;
  EXPECT_EQ(bytes(content.begin() + at, content.begin() + at + 4), (bytes{'F', 'I', 'L', 'E'}));
  const uint64_t first_size = u64_at(content, at + 4);
  EXPECT_EQ(u32_at(content, at + 12), 14u);
  EXPECT_EQ(content[at + 16], 'b');
  EXPECT_EQ(content[at + 17], 0);
  EXPECT_EQ(u64_at(content, at + 30), big.size());
  const size_t data = at + 38;
  EXPECT_TRUE(std::equal(big.begin(), big.end(), content.begin() + static_cast<std::ptrdiff_t>(data)));
  const size_t sign = data + big.size();
  EXPECT_EQ(bytes(content.begin() + sign, content.begin() + sign + 4), (bytes{'S', 'I', 'G', 'N'}));
  // The section size covers name length through the end of the file's SIGN section.
  EXPECT_EQ(first_size, 4 + 14 + 8 + big.size() + 12 + u64_at(content, sign + 4));
  at += 12 + first_size;
  // FILE é: one UTF-16LE unit 0x00E9, no data.
  EXPECT_EQ(bytes(content.begin() + at, content.begin() + at + 4), (bytes{'F', 'I', 'L', 'E'}));
  EXPECT_EQ(u32_at(content, at + 12), 2u);
  EXPECT_EQ(content[at + 16], 0xE9);
  EXPECT_EQ(content[at + 17], 0x00);
  EXPECT_EQ(u64_at(content, at + 18), 0u);
  at += 12 + u64_at(content, at + 4);
  EXPECT_EQ(u64_at(content, 4), at);
  EXPECT_EQ(u32_at(content, 35), 2u);
  EXPECT_EQ(bytes(content.begin() + at, content.begin() + at + 4), (bytes{'S', 'I', 'G', 'N'}));
  EXPECT_EQ(content.size(), at + 12 + u64_at(content, at + 4));

  const package opened(output(), package::mode::open_existing, keys().public_keys, {});
  ASSERT_EQ(opened.get_files().size(), 2u);
  EXPECT_EQ(opened.get_files()[0].name, u"big.bin");
  EXPECT_EQ(opened.get_files()[0].data_offset, data);
  EXPECT_EQ(opened.get_files()[0].data_size, big.size());
  EXPECT_EQ(opened.get_files()[1].name, u"\u00e9");
  EXPECT_EQ(opened.get_files()[1].data_size, 0u);
  EXPECT_EQ(code_of([&] { open_package(output(), {keys().public_keys[1], keys().public_keys[0]}); }).value, 5362);
}

TEST_F(package_writer, the_destructor_completes_once) {
  const auto file = source("a", {1, 2, 3});
  bytes completed;
  {
    package created(output(), package::mode::create_new, {}, keys().private_keys);
    created.add_file(u"a", file.u16string());
    created.complete();
    completed = output_bytes();
    EXPECT_EQ(code_of([&] { created.complete(); }).value, 5390);
    EXPECT_EQ(code_of([&] { created.add_file(u"b", file.u16string()); }).value, 5390);
  }
  EXPECT_EQ(output_bytes(), completed);
  EXPECT_EQ(code_of([&] { open_package(output()); }).value, -1);
}

TEST_F(package_writer, one_private_key_gives_a_package_the_reader_refuses) {
  { const package created(output(), package::mode::create_new, {}, {keys().private_keys[0]}); }
  EXPECT_EQ(code_of([&] { open_package(output()); }).value, 5359);
}

TEST_F(package_writer, failures_are_reported_by_the_explicit_steps) {
  package created(output(), package::mode::create_new, {}, {});
  EXPECT_EQ(code_of([&] { created.complete(); }).value, 5350);
}

TEST_F(package_writer, a_failed_step_leaves_an_unsigned_package) {
  {
    package created(output(), package::mode::create_new, {}, keys().private_keys);
    const raised missing = code_of([&] { created.add_file(u"x", (directory_.path() / "missing").u16string()); });
    EXPECT_EQ(missing.category, "win32");
    EXPECT_EQ(missing.value, 2);
    EXPECT_EQ(code_of([&] { created.complete(); }).value, 5390);
  }
  EXPECT_EQ(u64_at(output_bytes(), 4), 0u);
  EXPECT_EQ(code_of([&] { open_package(output()); }).value, 5360);
}

TEST_F(package_writer, a_package_abandoned_by_an_exception_is_not_signed) {
  const auto file = source("a", {1});
  EXPECT_THROW(
      {
        package created(output(), package::mode::create_new, {}, keys().private_keys);
        created.add_file(u"a", file.u16string());
        throw std::runtime_error("publishing stopped");
      },
      std::runtime_error);
  EXPECT_EQ(code_of([&] { open_package(output()); }).value, 5360);
}

TEST_F(package_writer, a_file_count_that_does_not_fit_fails_with_5471) {
  test_support::log_capture log;
  const common::handle_holder file = updater::create_file_handle_for_writing(output());
  updater::write_package_start(file.get(), {});
  const auto completing = [&](uint64_t count) {
    return code_of([&] { updater::write_package_end(file.get(), {}, 24, count, 39, keys().private_keys); });
  };
  EXPECT_EQ(completing(0xFFFFFFFFu).value, 5471);
  EXPECT_TRUE(log.contains_substring(u"File count: 4294967295"));
  EXPECT_EQ(completing(0xFFFFFFFEu).value, -1);
}

TEST_F(package_writer, creating_replaces_an_existing_file) {
  source("out.pkg", bytes(5000, 0xAB));
  { const package created(output(), package::mode::create_new, {}, keys().private_keys); }
  EXPECT_LT(output_bytes().size(), 300u);
  EXPECT_EQ(code_of([&] { open_package(output()); }).value, -1);
}

TEST_F(package_writer, a_package_that_cannot_be_created_raises_the_windows_error) {
  const raised result = code_of([&] {
    const package created((directory_.path() / "no" / "such.pkg").u16string(), package::mode::create_new, {},
                          keys().private_keys);
  });
  EXPECT_EQ(result.category, "win32");
  // File or path not found: the platform does not tell a missing folder apart.
  EXPECT_TRUE(result.value == 2 || result.value == 3) << result.value;
}

}  // namespace
