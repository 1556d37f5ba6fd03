#include "common/winapi/language/message_catalog.h"

#include <stdexcept>

#include "common/text.h"

namespace winapi {

namespace {

constexpr uint32_t magic = 0x950412DE;
constexpr size_t header_size = 28;
constexpr char context_separator = '\x04';

// Any fault in the file; caught once at the top so the whole catalog is refused.
struct damaged {};

class reader {
 public:
  explicit reader(std::string_view bytes) : bytes_(bytes) {
    if (bytes_.size() < header_size) throw damaged{};
    little_endian_ = raw_word(0) == magic;
    if (!little_endian_ && raw_word(0) != swapped(magic)) throw damaged{};
  }

  uint32_t word(uint64_t offset) const {
    if (offset + 4 > bytes_.size()) throw damaged{};
    return little_endian_ ? raw_word(offset) : swapped(raw_word(offset));
  }

  // A table of count rows of row_size bytes at offset, inside the file and aligned.
  void check_table(uint32_t offset, uint32_t count, uint32_t row_size) const {
    if (offset % 4 != 0 || uint64_t{offset} + uint64_t{count} * row_size > bytes_.size()) throw damaged{};
  }

  // The string of a descriptor (length, offset): inside the file, NUL-terminated and
  // without a NUL of its own (plural forms are not part of the layout).
  std::string_view string_at(uint64_t descriptor) const {
    const uint32_t length = word(descriptor);
    const uint32_t offset = word(descriptor + 4);
    if (uint64_t{offset} + length >= bytes_.size() || bytes_[offset + length] != '\0') throw damaged{};
    const std::string_view text = bytes_.substr(offset, length);
    if (text.find('\0') != std::string_view::npos) throw damaged{};
    return text;
  }

 private:
  uint32_t raw_word(uint64_t offset) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset);
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
  static uint32_t swapped(uint32_t value) {
    return value >> 24 | (value >> 8 & 0xFF00) | (value << 8 & 0xFF0000) | value << 24;
  }

  std::string_view bytes_;
  bool little_endian_ = true;
};

std::u16string decode(std::string_view utf8) {
  try {
    return common::utf8_to_utf16(utf8);
  } catch (const std::range_error&) {
    throw damaged{};
  }
}

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool is_locale_character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// "0x" and exactly eight hexadecimal digits.
uint32_t parse_message_id(std::string_view text) {
  if (text.size() != 10 || text[0] != '0' || text[1] != 'x') throw damaged{};
  uint32_t id = 0;
  for (const char c : text.substr(2)) {
    if (!is_hex_digit(c)) throw damaged{};
    id = id << 4 | static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return id;
}

std::string_view split_locale(std::string_view key, std::string_view& id_text) {
  const size_t separator = key.find(context_separator);
  if (separator == 0 || separator == std::string_view::npos) throw damaged{};
  const std::string_view locale = key.substr(0, separator);
  for (const char c : locale) {
    if (!is_locale_character(c)) throw damaged{};
  }
  id_text = key.substr(separator + 1);
  return locale;
}

}  // namespace

std::optional<message_catalog> message_catalog::parse(std::string_view bytes) {
  try {
    const reader file(bytes);
    if (file.word(4) >> 16 != 0) throw damaged{};  // only major revision 0 exists
    const uint32_t count = file.word(8);
    const uint32_t originals = file.word(12);
    const uint32_t translations = file.word(16);
    const uint32_t hash_size = file.word(20);
    const uint32_t hash_offset = file.word(24);
    file.check_table(originals, count, 8);
    file.check_table(translations, count, 8);
    if (hash_size != 0) file.check_table(hash_offset, hash_size, 4);
    for (uint32_t i = 0; i < hash_size; ++i) {
      if (file.word(uint64_t{hash_offset} + 4 * i) > count) throw damaged{};
    }

    // msgfmt sorts the keys, so the header (empty key) comes first and must declare UTF-8.
    if (count == 0 || !file.string_at(originals).empty()) throw damaged{};
    if (file.string_at(translations).find("charset=UTF-8") == std::string_view::npos) throw damaged{};

    message_catalog catalog;
    std::string_view previous_key;
    for (uint32_t i = 1; i < count; ++i) {
      const std::string_view key = file.string_at(originals + uint64_t{8} * i);
      if (key <= previous_key) throw damaged{};
      previous_key = key;
      std::string_view id_text;
      const std::string_view locale = split_locale(key, id_text);
      auto& texts = catalog.texts_[decode(locale)];
      const bool added =
          texts.emplace(parse_message_id(id_text), decode(file.string_at(translations + uint64_t{8} * i))).second;
      if (!added) throw damaged{};  // one id written twice, e.g. in both letter cases
    }
    return catalog;
  } catch (const damaged&) {
    return std::nullopt;
  }
}

const std::u16string* message_catalog::find(std::u16string_view locale_name, uint32_t message_id) const {
  const auto locale = texts_.find(locale_name);
  if (locale == texts_.end()) return nullptr;
  const auto text = locale->second.find(message_id);
  return text == locale->second.end() ? nullptr : &text->second;
}

bool message_catalog::has_locale(std::u16string_view locale_name) const { return texts_.contains(locale_name); }

}  // namespace winapi
