#pragma once
// Base64 (RFC 4648, standard alphabet, with padding): the text form of public keys that
// the worker decodes from its start parameters.
#include <cstdint>
#include <string>
#include <vector>

namespace pack_tool {

std::string base64_encode(const std::vector<uint8_t>& bytes);

}  // namespace pack_tool
