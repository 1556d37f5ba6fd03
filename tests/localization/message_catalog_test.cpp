// The localization library file: the shipped one is complete and consistent, and a
// damaged file is refused as a whole.
#include "common/winapi/language/message_catalog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "common/text.h"
#include "common/winapi/language/library_as_data.h"
#include "common/winapi/process/last_error.h"
#include "error_lib/generated/generated_error_codes.h"
#include "library_files.h"
#include "support/temp_directory.h"

namespace {

using winapi::message_catalog;

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

uint32_t word(const std::string& bytes, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void set_word(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// Where the parts of a little-endian catalog are.
struct layout {
  explicit layout(const std::string& bytes)
      : count(word(bytes, 8)),
        originals(word(bytes, 12)),
        translations(word(bytes, 16)),
        hash_size(word(bytes, 20)),
        hash_offset(word(bytes, 24)) {}
  // Offset of a string and of its descriptor in one of the two tables.
  static uint32_t text_of(const std::string& bytes, uint32_t table, uint32_t index) {
    return word(bytes, table + 8 * index + 4);
  }
  static uint32_t length_of(const std::string& bytes, uint32_t table, uint32_t index) {
    return word(bytes, table + 8 * index);
  }
  uint32_t count, originals, translations, hash_size, hash_offset;
};

std::set<std::u16string> placeholders(const std::u16string& text) {
  std::set<std::u16string> found;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == u'%' && text[i + 1] >= u'1' && text[i + 1] <= u'9') found.insert(text.substr(i, 2));
  }
  return found;
}

class shipped_library : public testing::Test {
 protected:
  void SetUp() override {
    bytes_ = read_bytes(test_support::shipped_library_path());
    ASSERT_GT(bytes_.size(), 28u) << test_support::shipped_library_path();
    auto catalog = message_catalog::parse(bytes_);
    ASSERT_TRUE(catalog.has_value());
    catalog_ = std::move(*catalog);
  }
  std::string bytes_;
  message_catalog catalog_;
};

TEST_F(shipped_library, holds_the_english_text_of_every_result_code) {
  for (size_t i = 0; i < common::generated::generated_error_codes_count; ++i) {
    const auto& row = common::generated::generated_error_codes[i];
    const std::u16string* text = catalog_.find(u"en-US", 0x03000000u + (static_cast<uint32_t>(row.code) & 0xFFFF));
    ASSERT_NE(text, nullptr) << "no en-US text for " << row.code;
    EXPECT_EQ(*text, common::utf8_to_utf16(row.text)) << row.code;
  }
}

TEST_F(shipped_library, translations_keep_the_insertions_of_the_english_text) {
  std::vector<uint32_t> ids = {0x42000001, 0x43000BBD, 0x43000BBE};
  for (size_t i = 0; i < common::generated::generated_error_codes_count; ++i) {
    ids.push_back(0x03000000u + (static_cast<uint32_t>(common::generated::generated_error_codes[i].code) & 0xFFFF));
  }
  size_t translated = 0;
  for (const uint32_t id : ids) {
    const std::u16string* english = catalog_.find(u"en-US", id);
    ASSERT_NE(english, nullptr) << std::hex << id;
    if (const std::u16string* russian = catalog_.find(u"ru-RU", id)) {
      ++translated;
      EXPECT_EQ(placeholders(*russian), placeholders(*english)) << std::hex << id;
    }
  }
  EXPECT_GT(translated, 3u);
  EXPECT_NE(catalog_.find(u"ru-RU", 0x42000001), nullptr);
}

TEST_F(shipped_library, loads_in_either_byte_order) {
  const layout parts(bytes_);
  std::string swapped = bytes_;
  auto swap_word = [&](size_t offset) {
    std::swap(swapped[offset], swapped[offset + 3]);
    std::swap(swapped[offset + 1], swapped[offset + 2]);
  };
  for (size_t i = 0; i < 7; ++i) swap_word(4 * i);
  for (uint32_t i = 0; i < 2 * parts.count; ++i) {
    swap_word(parts.originals + 4 * i);
    swap_word(parts.translations + 4 * i);
  }
  for (uint32_t i = 0; i < parts.hash_size; ++i) swap_word(parts.hash_offset + 4 * i);
  const auto catalog = message_catalog::parse(swapped);
  ASSERT_TRUE(catalog.has_value());
  ASSERT_NE(catalog->find(u"ru-RU", 0x42000001), nullptr);
  EXPECT_EQ(*catalog->find(u"ru-RU", 0x42000001), *catalog_.find(u"ru-RU", 0x42000001));
}

struct damage {
  const char* name;
  std::function<void(std::string&)> apply;
};

// Message 1 is the first after the header; every shipped message text has at least
// three bytes.
const damage damages[] = {
    {"empty file", [](std::string& b) { b.clear(); }},
    {"cut inside the header", [](std::string& b) { b.resize(27); }},
    {"cut in the middle", [](std::string& b) { b.resize(b.size() / 2); }},
    {"last terminating NUL cut", [](std::string& b) { b.pop_back(); }},
    {"other magic number", [](std::string& b) { b[0] ^= 0x5A; }},
    {"unknown major revision", [](std::string& b) { set_word(b, 4, 0x00010000); }},
    {"more messages than the tables hold", [](std::string& b) { set_word(b, 8, 0x7FFFFFFF); }},
    {"no messages at all", [](std::string& b) { set_word(b, 8, 0); }},
    {"originals table outside the file", [](std::string& b) { set_word(b, 12, static_cast<uint32_t>(b.size())); }},
    {"originals table misaligned", [](std::string& b) { set_word(b, 12, layout(b).originals + 1); }},
    {"translations table offset wrapping round", [](std::string& b) { set_word(b, 16, 0xFFFFFFF8); }},
    {"hash table larger than the file", [](std::string& b) { set_word(b, 20, 0x40000000); }},
    {"hash entry naming no message",
     [](std::string& b) {
       const layout parts(b);
       set_word(b, parts.hash_offset, parts.count + 1);
     }},
    {"text length past the end",
     [](std::string& b) { set_word(b, layout(b).translations + 8, static_cast<uint32_t>(b.size())); }},
    {"text offset past the end",
     [](std::string& b) { set_word(b, layout(b).translations + 12, static_cast<uint32_t>(b.size())); }},
    {"terminating NUL overwritten",
     [](std::string& b) {
       const layout parts(b);
       b[layout::text_of(b, parts.translations, 1) + layout::length_of(b, parts.translations, 1)] = 'x';
     }},
    {"NUL inside a text", [](std::string& b) { b[layout::text_of(b, layout(b).translations, 1) + 1] = '\0'; }},
    {"byte that is no UTF-8", [](std::string& b) { b[layout::text_of(b, layout(b).translations, 1)] = '\xFF'; }},
    {"overlong UTF-8", [](std::string& b) { b.replace(layout::text_of(b, layout(b).translations, 1), 2, "\xC0\x80"); }},
    {"UTF-16 surrogate in UTF-8",
     [](std::string& b) { b.replace(layout::text_of(b, layout(b).translations, 1), 3, "\xED\xA0\x80"); }},
    {"keys out of order",
     [](std::string& b) {
       const layout parts(b);
       for (uint32_t table : {parts.originals, parts.translations}) {
         std::swap_ranges(b.begin() + table + 8, b.begin() + table + 16, b.begin() + table + 16);
       }
     }},
    {"header not declaring UTF-8",
     [](std::string& b) {
       const size_t charset = b.find("charset=UTF-8");
       b.replace(charset, 13, "charset=ASCII");
     }},
    {"message id not hexadecimal",
     [](std::string& b) {
       const layout parts(b);
       const uint32_t last = parts.count - 1;
       b[layout::text_of(b, parts.originals, last) + layout::length_of(b, parts.originals, last) - 1] = 'G';
     }},
};

TEST_F(shipped_library, a_damaged_copy_is_refused_as_a_whole) {
  const test_support::temp_directory directory;
  for (const auto& [name, apply] : damages) {
    std::string bytes = bytes_;
    apply(bytes);
    ASSERT_NE(bytes, bytes_) << name;
    EXPECT_FALSE(message_catalog::parse(bytes).has_value()) << name;
    const auto path = directory.path() / "damaged.mo";
    write_bytes(path, bytes);
    winapi::set_last_error(0);
    EXPECT_EQ(winapi::load_library_as_datafile(path.u16string()), nullptr) << name;
    EXPECT_EQ(winapi::get_last_error(), winapi::error_bad_format) << name;
  }
}

TEST(library_as_data, a_missing_or_oversized_file_is_refused_with_its_error) {
  const test_support::temp_directory directory;
  EXPECT_EQ(winapi::load_library_as_datafile((directory.path() / "missing.mo").u16string()), nullptr);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_not_found);

  const auto oversized = directory.path() / "oversized.mo";
  write_bytes(oversized, read_bytes(test_support::shipped_library_path()));
  std::filesystem::resize_file(oversized, winapi::max_data_library_size + 1);
  EXPECT_EQ(winapi::load_library_as_datafile(oversized.u16string()), nullptr);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_file_too_large);

  EXPECT_FALSE(winapi::free_data_library(nullptr));
  EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_handle);
}

TEST(library_as_data, a_catalog_without_language_contexts_is_refused) {
  const test_support::temp_directory directory;
  const auto path = directory.path() / "plain.mo";
  test_support::compile_catalog(test_support::catalog_header() + "msgid \"0x42000001\"\nmsgstr \"test\"\n", path);
  EXPECT_EQ(test_support::loaded_library(path).get(), nullptr);
  EXPECT_EQ(winapi::get_last_error(), winapi::error_bad_format);
}

TEST(library_as_data, a_catalog_with_contexts_loads_and_finds_texts_by_language) {
  const test_support::temp_directory directory;
  const auto path = directory.path() / "two.mo";
  test_support::compile_catalog(test_support::catalog_header() + test_support::catalog_message("en-US", 7, "seven") +
                                    test_support::catalog_message("ru-RU", 0x43000007, "семь"),
                                path);
  const test_support::loaded_library library(path);
  ASSERT_NE(library.get(), nullptr);
  ASSERT_NE(library.get()->catalog.find(u"ru-RU", 0x43000007), nullptr);
  EXPECT_EQ(*library.get()->catalog.find(u"ru-RU", 0x43000007), u"семь");
  EXPECT_EQ(library.get()->catalog.find(u"ru-RU", 7), nullptr);
  EXPECT_TRUE(library.get()->catalog.has_locale(u"en-US"));
  EXPECT_FALSE(library.get()->catalog.has_locale(u"uk-UA"));
}

}  // namespace
