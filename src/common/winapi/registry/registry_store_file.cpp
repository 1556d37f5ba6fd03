#include "common/winapi/registry/registry_store_file.h"

#include <algorithm>
#include <stdexcept>

#include "common/text.h"
#include "common/winapi/registry/registry_store.h"

namespace winapi::registry_store_file {
namespace {

constexpr std::string_view header_line = "ferrowick registry key 1";
constexpr std::string_view end_line = "end";
constexpr std::string_view dword_prefix = "dword:";
constexpr std::string_view binary_prefix = "hex:";

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string quote(std::u16string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit == u'\\') {
      out += "\\\\";
    } else if (unit == u'"') {
      out += "\\\"";
    } else if (is_high_surrogate(unit) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      out += common::utf16_to_utf8(text.substr(i, 2));
      ++i;
    } else if (unit < 0x20 || unit == 0x7F || is_high_surrogate(unit) || is_low_surrogate(unit)) {
      out += "\\u" + common::to_hex(unit, 4);
    } else {
      out += common::utf16_to_utf8(text.substr(i, 1));
    }
  }
  return out + "\"";
}

std::u16string units_of(const std::vector<uint8_t>& data) {
  std::u16string units(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return units;
}

std::vector<uint8_t> bytes_of(std::u16string_view units) {
  std::vector<uint8_t> data;
  data.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    data.push_back(static_cast<uint8_t>(unit & 0xFF));
    data.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return data;
}

std::string data_text(const value& v) {
  if (v.type == reg_sz) {
    const std::u16string units = units_of(v.data);
    return quote(std::u16string_view(units).substr(0, units.size() - 1));
  }
  if (v.type == reg_dword) {
    return std::string(dword_prefix) +
           common::to_hex(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24),
                          8);
  }
  std::string out(binary_prefix);
  for (std::size_t i = 0; i < v.data.size(); ++i) {
    if (i != 0) out += ',';
    out += common::to_hex(v.data[i], 2);
  }
  return out;
}

std::optional<uint32_t> parse_hex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  uint32_t number = 0;
  for (const char c : digits) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    number = number * 16 + static_cast<uint32_t>(digit);
  }
  return number;
}

// Reads a quoted text at the start of line; advances line past it.
std::optional<std::u16string> parse_quoted(std::string_view& line) {
  if (line.empty() || line.front() != '"') return std::nullopt;
  std::u16string text;
  std::string plain;
  std::size_t i = 1;
  try {
    while (true) {
      if (i == line.size()) return std::nullopt;
      const auto c = static_cast<unsigned char>(line[i]);
      if (c < 0x20 || c == 0x7F) return std::nullopt;
      if (c == '"' || c == '\\') {
        text += common::utf8_to_utf16(plain);
        plain.clear();
      }
      if (c == '"') break;
      if (c != '\\') {
        plain += static_cast<char>(c);
        ++i;
        continue;
      }
      if (i + 1 == line.size()) return std::nullopt;
      const char escaped = line[i + 1];
      if (escaped == '\\' || escaped == '"') {
        text += static_cast<char16_t>(escaped);
        i += 2;
      } else if (escaped == 'u' && i + 6 <= line.size()) {
        const auto unit = parse_hex(line.substr(i + 2, 4));
        if (!unit) return std::nullopt;
        text += static_cast<char16_t>(*unit);
        i += 6;
      } else {
        return std::nullopt;
      }
    }
  } catch (const std::range_error&) {
    return std::nullopt;
  }
  line.remove_prefix(i + 1);
  return text;
}

std::optional<std::vector<uint8_t>> parse_bytes(std::string_view list) {
  std::vector<uint8_t> data;
  while (!list.empty()) {
    if (!data.empty()) {
      if (list.front() != ',') return std::nullopt;
      list.remove_prefix(1);
    }
    if (list.size() < 2) return std::nullopt;
    const auto byte = parse_hex(list.substr(0, 2));
    if (!byte) return std::nullopt;
    data.push_back(static_cast<uint8_t>(*byte));
    list.remove_prefix(2);
  }
  return data;
}

std::optional<value> parse_value(std::string_view line) {
  value v;
  auto name = parse_quoted(line);
  if (!name || line.empty() || line.front() != '=') return std::nullopt;
  v.name = std::move(*name);
  line.remove_prefix(1);
  if (line.starts_with('"')) {
    auto text = parse_quoted(line);
    if (!text || !line.empty()) return std::nullopt;
    v.type = reg_sz;
    v.data = bytes_of(*text + u'\0');
  } else if (line.starts_with(dword_prefix)) {
    line.remove_prefix(dword_prefix.size());
    const auto number = line.size() == 8 ? parse_hex(line) : std::nullopt;
    if (!number) return std::nullopt;
    v.type = reg_dword;
    v.data = {static_cast<uint8_t>(*number), static_cast<uint8_t>(*number >> 8), static_cast<uint8_t>(*number >> 16),
              static_cast<uint8_t>(*number >> 24)};
  } else if (line.starts_with(binary_prefix)) {
    auto bytes = parse_bytes(line.substr(binary_prefix.size()));
    if (!bytes) return std::nullopt;
    v.type = reg_binary;
    v.data = std::move(*bytes);
  } else {
    return std::nullopt;
  }
  return v;
}

}  // namespace

bool same_name(std::u16string_view left, std::u16string_view right) {
  return common::equal_ignoring_ascii_case(left, right);
}

std::optional<std::vector<value>> parse(std::string_view text) {
  if (text.size() > max_values_file_size || !text.ends_with('\n')) return std::nullopt;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (lines.size() < 2 || lines.front() != header_line || lines.back() != end_line) return std::nullopt;
  std::vector<value> values;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    auto v = parse_value(lines[i]);
    if (!v) return std::nullopt;
    const bool duplicate =
        std::ranges::any_of(values, [&](const value& known) { return same_name(known.name, v->name); });
    if (duplicate) return std::nullopt;
    values.push_back(std::move(*v));
  }
  return values;
}

std::string format(const std::vector<value>& values) {
  std::string text = std::string(header_line) + '\n';
  for (const value& v : values) text += quote(v.name) + '=' + data_text(v) + '\n';
  return text + std::string(end_line) + '\n';
}

}  // namespace winapi::registry_store_file
