#include "support/package_resigning.h"

#include <algorithm>

#include "support/deterministic_signing.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_serialization.h"

namespace fuzz_support {
namespace {

namespace format = updater::package_format;

uint64_t read_u64(const uint8_t* at) {
  const uint8_t* cursor = at;
  return updater::deserialize_value<uint64_t>(cursor, at + sizeof(uint64_t));
}

uint32_t read_u32(const uint8_t* at) {
  const uint8_t* cursor = at;
  return updater::deserialize_value<uint32_t>(cursor, at + sizeof(uint32_t));
}

template <typename T>
void overwrite(std::vector<uint8_t>& bytes, size_t offset, T value) {
  std::vector<uint8_t> encoded;
  updater::serialize_value(value, encoded);
  std::copy(encoded.begin(), encoded.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool has_tag(const uint8_t* data, size_t size, size_t offset, const format::section_tag& tag) {
  return size >= format::section_head_size && offset <= size - format::section_head_size &&
         std::equal(tag.begin(), tag.end(), data + offset);
}

}  // namespace

resigned_package resign_package(const uint8_t* data, size_t size) {
  if (size < format::first_file_offset) return {{data, data + size}, 0};
  resigned_package result{{data, data + format::first_file_offset}, 0};

  size_t position = format::first_file_offset;
  while (has_tag(data, size, position, format::file_tag)) {
    size_t cursor = position + format::section_head_size;
    if (size - cursor < sizeof(uint32_t)) break;
    const uint32_t name_size = read_u32(data + cursor);
    cursor += sizeof(uint32_t);
    if (size - cursor < uint64_t{name_size} + sizeof(uint64_t)) break;
    cursor += name_size;
    const uint64_t data_size = read_u64(data + cursor);
    cursor += sizeof(uint64_t);
    if (data_size > size - cursor) break;
    const size_t data_end = cursor + static_cast<size_t>(data_size);

    result.bytes.insert(result.bytes.end(), data + position, data + data_end);
    const auto signatures = sign_with_demo_keys({data + cursor, data + data_end});
    const auto section = updater::serialize_signatures_section(signatures);
    result.bytes.insert(result.bytes.end(), section.begin(), section.end());
    ++result.file_count;

    position = data_end;
    if (!has_tag(data, size, position, format::sign_tag)) continue;
    const uint64_t old_signatures_size = read_u64(data + position + sizeof(format::section_tag));
    if (old_signatures_size > size - position - format::section_head_size) break;
    position += format::section_head_size + static_cast<size_t>(old_signatures_size);
  }

  overwrite(result.bytes, format::header_content_offset + format::package_info_size - sizeof(uint32_t),
            result.file_count);
  overwrite(result.bytes, sizeof(format::section_tag), uint64_t{result.bytes.size()});
  const auto section = updater::serialize_signatures_section(sign_with_demo_keys(result.bytes));
  result.bytes.insert(result.bytes.end(), section.begin(), section.end());
  return result;
}

}  // namespace fuzz_support
