#include "updater_lib/details/package/package_serialization.h"

#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/update_information/update_information_versions.h"

namespace updater {

namespace {

template <typename T>
T deserialize_exact(const byte_buffer& bytes) {
  if (bytes.size() != sizeof(T)) {
    FW_THROW(common::application_exception(common::error_cannot_deserialize_value), "Buffer size = ", bytes.size());
  }
  const uint8_t* cursor = bytes.data();
  return deserialize_value<T>(cursor, bytes.data() + bytes.size());
}

}  // namespace

void require_bytes(const uint8_t* cursor, const uint8_t* end, uint64_t count) {
  const auto remaining = static_cast<uint64_t>(end - cursor);
  if (remaining < count) {
    FW_THROW(common::application_exception(common::error_cannot_deserialize_value), "Needed = ", count,
             ", remaining = ", remaining);
  }
}

void serialize_value(const date_time_t& value, byte_buffer& buffer) {
  serialize_value(value.hour, buffer);
  serialize_value(value.minute, buffer);
  serialize_value(value.second, buffer);
  serialize_value(value.day, buffer);
  serialize_value(value.month, buffer);
  serialize_value(value.year, buffer);
}

void serialize_value(const byte_buffer& value, byte_buffer& buffer) {
  serialize_value(static_cast<uint32_t>(value.size()), buffer);
  buffer.insert(buffer.end(), value.begin(), value.end());
}

template <>
date_time_t deserialize_value<date_time_t>(const uint8_t*& cursor, const uint8_t* end) {
  date_time_t value;
  value.hour = deserialize_value<uint8_t>(cursor, end);
  value.minute = deserialize_value<uint8_t>(cursor, end);
  value.second = deserialize_value<uint8_t>(cursor, end);
  value.day = deserialize_value<uint8_t>(cursor, end);
  value.month = deserialize_value<uint8_t>(cursor, end);
  value.year = deserialize_value<uint16_t>(cursor, end);
  return value;
}

template <>
byte_buffer deserialize_value<byte_buffer>(const uint8_t*& cursor, const uint8_t* end) {
  const auto size = deserialize_value<uint32_t>(cursor, end);
  require_bytes(cursor, end, size);
  byte_buffer value(cursor, cursor + size);
  cursor += size;
  return value;
}

uint32_t deserialize_uint32(const byte_buffer& bytes) { return deserialize_exact<uint32_t>(bytes); }

uint64_t deserialize_uint64(const byte_buffer& bytes) { return deserialize_exact<uint64_t>(bytes); }

byte_buffer serialize_package_info(const package_info& info) {
  FW_LOG_SCOPE();
  byte_buffer buffer;
  buffer.reserve(package_format::package_info_size);
  serialize_value(info.version_of_update_compatibility, buffer);
  serialize_value(info.creation_time, buffer);
  serialize_value(info.file_count, buffer);
  return buffer;
}

package_info deserialize_package_info(const byte_buffer& content) {
  FW_LOG_SCOPE();
  const uint8_t* cursor = content.data();
  const uint8_t* end = content.data() + content.size();
  package_info info;
  info.version_of_update_compatibility = deserialize_value<uint32_t>(cursor, end);
  if (info.version_of_update_compatibility != get_current_version_of_update_compatibility()) {
    FW_THROW(common::application_exception(common::error_section_verification_failed),
             "Invalid version of update compatibility = ", info.version_of_update_compatibility);
  }
  info.creation_time = deserialize_value<date_time_t>(cursor, end);
  check_date_time(info.creation_time);
  info.file_count = deserialize_value<uint32_t>(cursor, end);
  if (cursor != end) {
    FW_THROW(common::application_exception(common::error_invalid_section_size),
             "Header bytes left over = ", end - cursor);
  }
  return info;
}

byte_buffer serialize_signature(const byte_buffer& signature) {
  FW_LOG_SCOPE();
  byte_buffer buffer;
  serialize_value(signature, buffer);
  return buffer;
}

byte_buffer serialize_signatures(const signature_list& signatures) {
  FW_LOG_SCOPE();
  byte_buffer buffer;
  for (const auto& signature : signatures) serialize_value(signature, buffer);
  return buffer;
}

byte_buffer serialize_signatures_section(const signature_list& signatures) {
  FW_LOG_SCOPE();
  const byte_buffer entries = serialize_signatures(signatures);
  byte_buffer section(package_format::sign_tag.begin(), package_format::sign_tag.end());
  serialize_value(static_cast<uint64_t>(entries.size()), section);
  section.insert(section.end(), entries.begin(), entries.end());
  return section;
}

byte_buffer deserialize_signature(const uint8_t*& cursor, const uint8_t* end) {
  FW_LOG_SCOPE();
  return deserialize_value<byte_buffer>(cursor, end);
}

signature_list deserialize_signatures(const byte_buffer& content) {
  FW_LOG_SCOPE();
  const uint8_t* cursor = content.data();
  const uint8_t* end = content.data() + content.size();
  signature_list signatures;
  for (size_t i = 0; i < package_format::signatures_per_section; ++i) {
    signatures.push_back(deserialize_signature(cursor, end));
  }
  return signatures;
}

}  // namespace updater
