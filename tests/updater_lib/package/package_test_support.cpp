#include "updater_lib/package/package_test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/package.h"

namespace package_test {

const test_keys& keys() {
  static const test_keys made = [] {
    test_keys result;
    for (int i = 0; i < 2; ++i) {
      const auto pair = updater::generate_key_pair(1);
      result.private_keys.push_back(pair.private_key);
      result.public_keys.push_back(pair.public_key);
    }
    return result;
  }();
  return made;
}

void put_u8(bytes& out, uint8_t value) { out.push_back(value); }
void put_u16(bytes& out, uint16_t value) {
  out.push_back(value & 0xFF);
  out.push_back(value >> 8);
}
void put_u32(bytes& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back((value >> shift) & 0xFF);
}
void put_u64(bytes& out, uint64_t value) {
  for (int shift = 0; shift < 64; shift += 8) out.push_back((value >> shift) & 0xFF);
}
void put_text(bytes& out, const std::string& ascii) { out.insert(out.end(), ascii.begin(), ascii.end()); }
void append(bytes& out, const bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

bytes header_content(uint32_t file_count, uint32_t version) {
  bytes out;
  put_u32(out, version);
  put_u8(out, 9);   // hour
  put_u8(out, 30);  // minute
  put_u8(out, 15);  // second
  put_u8(out, 16);  // day 17
  put_u8(out, 4);   // May
  put_u16(out, 2026);
  put_u32(out, file_count);
  return out;
}

bytes head_section(const bytes& content) {
  bytes out;
  put_text(out, "HEAD");
  put_u64(out, content.size());
  append(out, content);
  return out;
}

bytes sign_section(const updater::signature_list& signatures) {
  bytes entries;
  for (const auto& signature : signatures) {
    put_u32(entries, static_cast<uint32_t>(signature.size()));
    append(entries, signature);
  }
  bytes out;
  put_text(out, "SIGN");
  put_u64(out, entries.size());
  append(out, entries);
  return out;
}

updater::signature_list sign_data(const bytes& data, const updater::key_list& private_keys) {
  static const uint8_t empty = 0;
  const bytes digest =
      hash_file_helpers::compute_buffer_hash(data.empty() ? &empty : data.data(), static_cast<uint32_t>(data.size()));
  return updater::sign_buffer(1, private_keys, digest);
}

bytes file_section(const std::u16string& name, const bytes& data, const updater::key_list& private_keys) {
  bytes body;
  put_u32(body, static_cast<uint32_t>(name.size() * 2));
  for (const char16_t unit : name) put_u16(body, unit);
  put_u64(body, data.size());
  append(body, data);
  append(body, sign_section(sign_data(data, private_keys)));
  bytes out;
  put_text(out, "FILE");
  put_u64(out, body.size());
  append(out, body);
  return out;
}

bytes signed_package(const bytes& body, const updater::key_list& private_keys) {
  bytes out;
  put_text(out, "RX01");
  put_u64(out, 12 + body.size());
  append(out, body);
  append(out, sign_section(sign_data(out, private_keys)));
  return out;
}

bytes resign(const bytes& package, uint64_t signed_length, const updater::key_list& private_keys) {
  bytes out(package.begin(), package.begin() + static_cast<std::ptrdiff_t>(signed_length));
  for (int i = 0; i < 8; ++i) out.at(4 + i) = static_cast<uint8_t>(signed_length >> (8 * i));
  append(out, sign_section(sign_data(out, private_keys)));
  return out;
}

bytes package_of(const std::vector<std::pair<std::u16string, bytes>>& files) {
  bytes body = head_section(header_content(static_cast<uint32_t>(files.size())));
  for (const auto& [name, data] : files) append(body, file_section(name, data));
  return signed_package(body);
}

uint64_t signed_length_of(const bytes& package) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= static_cast<uint64_t>(package.at(4 + i)) << (8 * i);
  return value;
}

void write_bytes(const std::filesystem::path& path, const bytes& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  ASSERT_TRUE(out.good()) << path;
}

bytes read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

raised code_of(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::system_error& error) {
    return {error.code().value(), error.code().category().name(), error.what()};
  }
  return {};
}

void open_package(const std::filesystem::path& path, const updater::key_list& public_keys) {
  const updater::package opened(path.u16string(), updater::package::mode::open_existing, public_keys, {});
}

}  // namespace package_test
