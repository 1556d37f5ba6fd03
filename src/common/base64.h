#pragma once
// Base64 (RFC 4648 alphabet): strict decoding (no white space; padding is optional and
// everything from the first '=' on is ignored) and encoding with padding, the text form
// of public keys.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace base64 {

std::vector<uint8_t> base64_decode(std::string_view text);
std::vector<uint8_t> base64_decode_wstring(std::u16string_view text);

std::string base64_encode(const std::vector<uint8_t>& bytes);

}  // namespace base64
