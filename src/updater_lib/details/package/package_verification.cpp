#include "updater_lib/details/package/package_verification.h"

#include <algorithm>

#include "common/fs_utils.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_layout_scan.h"

namespace updater {

namespace {

// Reads a SIGN head at the current position and returns its size, which may not exceed
// the largest two-signature content.
uint64_t read_signatures_section_head(winapi::handle_t handle) {
  const uint64_t size = check_section_tag_and_read_and_size(handle, package_format::sign_tag);
  const uint64_t limit = get_max_signature_section_size();
  if (size > limit) {
    FW_THROW(common::application_exception(common::error_invalid_section_size), "Signature section size = ", size,
             ", limit = ", limit);
  }
  return size;
}

}  // namespace

const byte_buffer* known_range_digests::find(const byte_range& range) const {
  const auto found =
      std::lower_bound(digests_.begin(), digests_.end(), range.offset,
                       [](const range_digest& item, uint64_t offset) { return item.range.offset < offset; });
  if (found == digests_.end() || found->range != range) return nullptr;
  return &found->digest;
}

uint64_t get_max_signature_section_size() {
  const uint64_t entry_size = sizeof(uint32_t) + get_max_signature_size(package_format::signature_mode);
  return package_format::section_head_size + package_format::signatures_per_section * entry_size;
}

void check_signatures_of_digest(const signature_list& signatures, const byte_buffer& digest,
                                const key_list& public_keys) {
  FW_LOG_SCOPE();
  if (!verify_signatures(package_format::signature_mode, signatures, public_keys, digest)) {
    FW_THROW(common::application_exception(common::error_section_verification_failed));
  }
}

signature_list read_package_signatures_section(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  const uint64_t total = fs_utils::get_file_size(handle);
  const uint64_t size = read_signatures_section_head(handle);
  if (fs_utils::get_file_pointer(handle) + size != total) {
    FW_THROW(common::application_exception(common::error_invalid_section_size),
             "There is a data after the last signature block");
  }
  return deserialize_signatures(read_buffer_from_file(handle, size));
}

known_range_digests check_digital_signature_of_file_in_package(winapi::handle_t handle, const key_list& public_keys) {
  FW_LOG_SCOPE();
  const uint64_t signed_length = fs_utils::get_file_pointer(handle);
  const signature_list signatures = read_package_signatures_section(handle);
  // The file data inside the signed bytes is hashed in the same pass, so the files'
  // own checks need not read it again.
  auto digests = compute_hash_of_part_of_the_file_and_parts(handle, 0, signed_length,
                                                            scan_file_data_ranges(handle, signed_length));
  check_signatures_of_digest(signatures, digests.whole, public_keys);
  return known_range_digests(std::move(digests.parts));
}

package_info read_package_info_section(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  const uint64_t size = check_section_tag_and_read_and_size(handle, package_format::head_tag);
  return deserialize_package_info(read_buffer_from_file(handle, size));
}

package_file_info read_file_section(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  check_section_tag_and_read_and_size(handle, package_format::file_tag);
  file_name_and_size head = deserialize_file_name_and_size(handle);
  const uint64_t data_offset = fs_utils::get_file_pointer(handle);
  // Data running past the end fails as the read of the following head would.
  const uint64_t total = fs_utils::get_file_size(handle);
  if (head.data_size > total - data_offset) raise_unexpected_end_of_file(total - data_offset);
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(data_offset + head.data_size));
  const uint64_t size = read_signatures_section_head(handle);
  signature_list signatures = deserialize_signatures(read_buffer_from_file(handle, size));
  return {std::move(head.name), head.data_size, std::move(signatures), data_offset};
}

package_file_info check_file_and_read_file_info(winapi::handle_t handle, const key_list& public_keys,
                                                const known_range_digests& known) {
  FW_LOG_SCOPE();
  package_file_info entry = read_file_section(handle);
  const uint64_t section_end = fs_utils::get_file_pointer(handle);
  const byte_range data{entry.data_offset, entry.data_size};
  const byte_buffer* digest = known.find(data);
  check_signatures_of_digest(entry.signatures,
                             digest ? *digest : compute_hash_of_part_of_the_file(handle, data.offset, data.length),
                             public_keys);
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(section_end));
  return entry;
}

}  // namespace updater
