#pragma once
// The writing side of the package format: the start of a new package, FILE sections
// with their signatures, and the final header and package signatures.
#include <cstdint>
#include <string>

#include "common/winapi/process/handle.h"
#include "updater_lib/details/package/package_info.h"
#include "updater_lib/details/package/package_verification.h"

namespace updater {

// Writes the magic, a signed-length placeholder and the header for info at the start of
// an empty file; the position ends at the first FILE offset.
void write_package_start(winapi::handle_t handle, const package_info& info);

// Appends at position the FILE section of the file at source_path under name and its
// SIGN section with one signature per private key over the data. Returns the entry; the
// position ends after the section.
package_file_info write_file_section(winapi::handle_t handle, uint64_t position, const std::u16string& name,
                                     const std::u16string& source_path, const key_list& private_keys);

// Patches the signed length and the header (with file_count files; 5471 when that does
// not fit) and appends the package signatures over bytes 0 to signed_length.
void write_package_end(winapi::handle_t handle, package_info info, uint64_t header_content_offset, uint64_t file_count,
                       uint64_t signed_length, const key_list& private_keys);

}  // namespace updater
