#pragma once
// Public key files as publishers have them: the compressed point that `ferrowick-pack
// keygen` writes to PREFIX.pub, or its Base64 text (PREFIX.pub.b64, the form of the
// public_key_txt start parameter). The two are told apart by their bytes, so every tool
// takes either.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace updater {

// A key file that cannot be read or holds no public key; the text names the option
// and the file.
class public_key_file_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The point octets (33 bytes compressed, 65 uncompressed) of content in either form,
// or nothing when it holds neither. Trailing white space of the text form is ignored.
std::optional<std::vector<uint8_t>> parse_public_key(const std::vector<uint8_t>& content);

// The key of the file given with option; raises public_key_file_error.
std::vector<uint8_t> read_public_key_file(const std::string& option, const std::string& path);

}  // namespace updater
