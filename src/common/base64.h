#pragma once
// Strict Base64 decoding (RFC 4648 alphabet, no white space); padding is optional and
// everything from the first '=' on is ignored.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace base64 {

std::vector<uint8_t> base64_decode(std::string_view text);
std::vector<uint8_t> base64_decode_wstring(std::u16string_view text);

}  // namespace base64
