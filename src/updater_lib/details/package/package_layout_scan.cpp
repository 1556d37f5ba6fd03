#include "updater_lib/details/package/package_layout_scan.h"

#include <optional>

#include "common/winapi/files/file_api.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_serialization.h"

namespace updater {

namespace {

// Reads little-endian integers at absolute offsets below a limit, without raising.
class bounded_reader {
 public:
  bounded_reader(winapi::handle_t handle, uint64_t limit) : handle_(handle), limit_(limit) {}

  template <typename T>
  std::optional<T> read_at(uint64_t offset) const {
    uint8_t bytes[sizeof(T)];
    if (!fits(offset, sizeof(T))) return std::nullopt;
    if (!winapi::set_file_pointer_ex(handle_, static_cast<int64_t>(offset), nullptr, winapi::move_method::file_begin)) {
      return std::nullopt;
    }
    uint32_t done = 0;
    if (!winapi::read_file(handle_, bytes, sizeof(T), &done) || done != sizeof(T)) return std::nullopt;
    const uint8_t* cursor = bytes;
    return deserialize_value<T>(cursor, bytes + sizeof(T));
  }

  // True when count bytes starting at offset lie below the limit.
  bool fits(uint64_t offset, uint64_t count) const { return offset <= limit_ && count <= limit_ - offset; }

 private:
  winapi::handle_t handle_;
  uint64_t limit_;
};

constexpr uint64_t tag_size = package_format::magic_tag.size();

}  // namespace

std::vector<byte_range> scan_file_data_ranges(winapi::handle_t handle, uint64_t signed_length) {
  const bounded_reader reader(handle, signed_length);
  std::vector<byte_range> ranges;
  const auto header_size = reader.read_at<uint64_t>(package_format::section_head_size + tag_size);
  if (!header_size || !reader.fits(package_format::header_content_offset, *header_size)) return ranges;
  uint64_t position = package_format::header_content_offset + *header_size;
  while (position < signed_length && ranges.size() < max_scanned_ranges) {
    const auto name_length = reader.read_at<uint32_t>(position + package_format::section_head_size);
    if (!name_length) break;
    const uint64_t size_offset = position + package_format::section_head_size + sizeof(uint32_t) + *name_length;
    const auto data_size = reader.read_at<uint64_t>(size_offset);
    if (!data_size) break;
    const uint64_t data_offset = size_offset + sizeof(uint64_t);
    if (!reader.fits(data_offset, *data_size)) break;
    ranges.push_back({data_offset, *data_size});
    const uint64_t sign_offset = data_offset + *data_size;
    const auto sign_size = reader.read_at<uint64_t>(sign_offset + tag_size);
    if (!sign_size || !reader.fits(sign_offset + package_format::section_head_size, *sign_size)) break;
    position = sign_offset + package_format::section_head_size + *sign_size;
  }
  return ranges;
}

}  // namespace updater
