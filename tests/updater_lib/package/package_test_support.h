#pragma once
// Builds update packages byte by byte, without the package writer, so that tests can
// check the reader and the writer against the layout itself and make every kind of
// broken package.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "updater_lib/details/package/digital_signature.h"

namespace package_test {

using bytes = std::vector<uint8_t>;

struct test_keys {
  updater::key_list private_keys;
  updater::key_list public_keys;
};

// Two key pairs, made once per test program.
const test_keys& keys();

void put_u8(bytes& out, uint8_t value);
void put_u16(bytes& out, uint16_t value);
void put_u32(bytes& out, uint32_t value);
void put_u64(bytes& out, uint64_t value);
void put_text(bytes& out, const std::string& ascii);
void append(bytes& out, const bytes& more);

// HEAD content: version, 2026-05-17 09:30:15 (stored 0-based), file count.
bytes header_content(uint32_t file_count, uint32_t version = 0);
// "HEAD", size, content.
bytes head_section(const bytes& content);
// "SIGN", size, the entries of the given signatures.
bytes sign_section(const updater::signature_list& signatures);
// Signatures over SHA-256(data), one per key.
updater::signature_list sign_data(const bytes& data, const updater::key_list& private_keys);
// A FILE section with its SIGN section signed with private_keys.
bytes file_section(const std::u16string& name, const bytes& data,
                   const updater::key_list& private_keys = keys().private_keys);

// "RX01", L = 12 + body size, body, and the package SIGN section over the first L
// bytes with private_keys.
bytes signed_package(const bytes& body, const updater::key_list& private_keys = keys().private_keys);
// The first signed_length bytes of package, with the signed length field set to that
// and a new package SIGN section over them: for packages changed on purpose.
bytes resign(const bytes& package, uint64_t signed_length, const updater::key_list& private_keys = keys().private_keys);

// A valid package of the given files (name, data) in order.
bytes package_of(const std::vector<std::pair<std::u16string, bytes>>& files);

// The signed length field of a package image.
uint64_t signed_length_of(const bytes& package);

void write_bytes(const std::filesystem::path& path, const bytes& content);
bytes read_bytes(const std::filesystem::path& path);

// The application or win32 code raised by action, or -1 when nothing is raised. The
// category is checked too.
struct raised {
  int value = -1;
  std::string category;
  std::string text;
};
raised code_of(const std::function<void()>& action);

// Opens path as the worker does, with both test public keys.
void open_package(const std::filesystem::path& path, const updater::key_list& public_keys = keys().public_keys);

}  // namespace package_test
