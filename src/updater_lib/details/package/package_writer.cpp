#include "updater_lib/details/package/package_writer.h"

#include <algorithm>
#include <limits>

#include "common/fs_utils.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/package_file_io.h"
#include "updater_lib/details/package/package_format.h"
#include "updater_lib/details/package/package_hashing.h"

namespace updater {

namespace {

constexpr uint64_t copy_block_size = 1024 * 1024;

byte_buffer section_head(const package_format::section_tag& tag, uint64_t size) {
  byte_buffer head(tag.begin(), tag.end());
  serialize_value(size, head);
  return head;
}

byte_buffer utf16le_bytes(const std::u16string& text) {
  byte_buffer bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) serialize_value(static_cast<uint16_t>(unit), bytes);
  return bytes;
}

// Copies size bytes from source to destination and returns their SHA-256.
byte_buffer copy_and_hash(winapi::handle_t source, winapi::handle_t destination, uint64_t size) {
  auto engine = hash_file_helpers::create_hash_engine();
  engine->init();
  byte_buffer block(static_cast<size_t>(std::min(size, copy_block_size)));
  for (uint64_t remaining = size; remaining > 0;) {
    const auto count = static_cast<uint32_t>(std::min(remaining, copy_block_size));
    read_exactly(source, block.data(), count);
    engine->update(block.data(), count);
    write_exactly(destination, block.data(), count);
    remaining -= count;
  }
  return engine->final();
}

}  // namespace

void write_package_start(winapi::handle_t handle, const package_info& info) {
  FW_LOG_SCOPE();
  byte_buffer start(package_format::magic_tag.begin(), package_format::magic_tag.end());
  serialize_value(uint64_t{0}, start);
  const byte_buffer head = section_head(package_format::head_tag, package_format::package_info_size);
  start.insert(start.end(), head.begin(), head.end());
  const byte_buffer content = serialize_package_info(info);
  start.insert(start.end(), content.begin(), content.end());
  write_buffer_to_file(handle, start);
}

package_file_info write_file_section(winapi::handle_t handle, uint64_t position, const std::u16string& name,
                                     const std::u16string& source_path, const key_list& private_keys) {
  FW_LOG_SCOPE();
  const byte_buffer name_bytes = utf16le_bytes(name);
  if (name_bytes.size() > std::numeric_limits<uint32_t>::max()) {
    FW_THROW(common::application_exception(common::error_value_out_of_range), "File name length = ", name.size());
  }
  const common::handle_holder source = create_file_handle_for_reading(source_path);
  const uint64_t data_size = fs_utils::get_file_size(source.get());

  // The section size is known only once the signatures are made; it is patched then.
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(position));
  byte_buffer head = section_head(package_format::file_tag, 0);
  serialize_value(static_cast<uint32_t>(name_bytes.size()), head);
  head.insert(head.end(), name_bytes.begin(), name_bytes.end());
  serialize_value(data_size, head);
  write_buffer_to_file(handle, head);
  const uint64_t data_offset = position + head.size();

  const byte_buffer digest = copy_and_hash(source.get(), handle, data_size);
  signature_list signatures = sign_buffer(package_format::signature_mode, private_keys, digest);
  const byte_buffer signatures_section = serialize_signatures_section(signatures);
  write_buffer_to_file(handle, signatures_section);
  const uint64_t section_end = data_offset + data_size + signatures_section.size();

  byte_buffer section_size;
  serialize_value(section_end - position - package_format::section_head_size, section_size);
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(position + package_format::magic_tag.size()));
  write_buffer_to_file(handle, section_size);
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(section_end));
  return {name, data_size, std::move(signatures), data_offset};
}

void write_package_end(winapi::handle_t handle, package_info info, uint64_t header_content_offset, uint64_t file_count,
                       uint64_t signed_length, const key_list& private_keys) {
  FW_LOG_SCOPE();
  FW_LOG(cpplogger::level_trace) << "Updating file size...";
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(package_format::magic_tag.size()));
  byte_buffer length_bytes;
  serialize_value(signed_length, length_bytes);
  write_buffer_to_file(handle, length_bytes);

  FW_LOG(cpplogger::level_trace) << "Updating package info...";
  if (file_count >= std::numeric_limits<uint32_t>::max()) {
    FW_THROW(common::application_exception(common::error_file_count_out_of_range), "File count: ", file_count);
  }
  info.file_count = static_cast<uint32_t>(file_count);
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(header_content_offset));
  write_buffer_to_file(handle, serialize_package_info(info));

  FW_LOG(cpplogger::level_trace) << "Computing file signatures...";
  const byte_buffer digest = compute_hash_of_part_of_the_file(handle, 0, signed_length);
  write_buffer_to_file(handle,
                       serialize_signatures_section(sign_buffer(package_format::signature_mode, private_keys, digest)));
}

}  // namespace updater
