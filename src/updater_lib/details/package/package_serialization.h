#pragma once
// Encoding of package values: little-endian integers without padding, assembled byte by
// byte so the result does not depend on the host. Decoders take a cursor into a byte
// range and advance it; a value that runs past the range raises 5359.
#include <concepts>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package_info.h"
#include "updater_lib/details/update_information/date_time.h"

namespace updater {

using byte_buffer = std::vector<uint8_t>;

template <std::unsigned_integral T>
void serialize_value(T value, byte_buffer& buffer) {
  for (size_t i = 0; i < sizeof(T); ++i) buffer.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void serialize_value(const date_time_t& value, byte_buffer& buffer);
// A signature entry: 32-bit length, then the bytes.
void serialize_value(const byte_buffer& value, byte_buffer& buffer);

// Raises 5359 unless at least count bytes remain between cursor and end.
void require_bytes(const uint8_t* cursor, const uint8_t* end, uint64_t count);

// Unsigned integers of 1, 2, 4 or 8 bytes; date_time_t and byte_buffer (a signature
// entry) are specialised below.
template <typename T>
T deserialize_value(const uint8_t*& cursor, const uint8_t* end) {
  static_assert(std::is_unsigned_v<T> && std::is_integral_v<T>);
  require_bytes(cursor, end, sizeof(T));
  T value = 0;
  for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<T>(cursor[i]) << (8 * i));
  cursor += sizeof(T);
  return value;
}
template <>
date_time_t deserialize_value<date_time_t>(const uint8_t*& cursor, const uint8_t* end);
template <>
byte_buffer deserialize_value<byte_buffer>(const uint8_t*& cursor, const uint8_t* end);

// Whole-vector forms: the vector must hold exactly 4 or 8 bytes (5359 otherwise).
uint32_t deserialize_uint32(const byte_buffer& bytes);
uint64_t deserialize_uint64(const byte_buffer& bytes);

// Always 15 bytes: version, the six date-time fields, file count.
byte_buffer serialize_package_info(const package_info& info);
// Checks the version (5362), the date-time (5354) and that the content is used up
// exactly (5360 for bytes left over, 5359 for too few).
package_info deserialize_package_info(const byte_buffer& content);

byte_buffer serialize_signature(const byte_buffer& signature);
byte_buffer serialize_signatures(const signature_list& signatures);
// "SIGN", the 64-bit size of the entries, the entries.
byte_buffer serialize_signatures_section(const signature_list& signatures);

byte_buffer deserialize_signature(const uint8_t*& cursor, const uint8_t* end);
// The first two entries of a SIGN content; anything after them is ignored.
signature_list deserialize_signatures(const byte_buffer& content);

}  // namespace updater
