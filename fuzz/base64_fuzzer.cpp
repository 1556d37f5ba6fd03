// Base64 text of public keys: the narrow and the UTF-16 decoder must agree, and what
// decodes must come back unchanged through the encoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "common/base64.h"
#include "error_lib/application_exception.h"
#include "support/process_state.h"

namespace {

using bytes = std::vector<uint8_t>;

template <typename Decode>
std::optional<bytes> decoded_or_nothing(Decode decode) {
  try {
    return decode();
  } catch (const common::application_exception&) {
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::u16string widened(data, data + size);
  const auto narrow = decoded_or_nothing([&] { return base64::base64_decode(text); });
  const auto wide = decoded_or_nothing([&] { return base64::base64_decode_wstring(widened); });
  if (narrow != wide) std::abort();
  if (narrow && base64::base64_decode(base64::base64_encode(*narrow)) != *narrow) std::abort();

  // Code units above one byte reach the wide decoder only this way.
  std::u16string units;
  for (size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  decoded_or_nothing([&] { return base64::base64_decode_wstring(units); });
  return 0;
}
