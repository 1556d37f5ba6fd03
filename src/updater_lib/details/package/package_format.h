#pragma once
// The fixed pieces of the package layout: section tags and sizes.
#include <array>
#include <cstdint>

namespace updater::package_format {

using section_tag = std::array<uint8_t, 4>;

inline constexpr section_tag magic_tag{'R', 'X', '0', '1'};
inline constexpr section_tag head_tag{'H', 'E', 'A', 'D'};
inline constexpr section_tag file_tag{'F', 'I', 'L', 'E'};
inline constexpr section_tag sign_tag{'S', 'I', 'G', 'N'};

// Tag plus 64-bit size.
inline constexpr uint64_t section_head_size = 12;
// Magic and signed length, then the HEAD section head.
inline constexpr uint64_t header_content_offset = 2 * section_head_size;
inline constexpr uint64_t package_info_size = 15;
// Where the package signature section of a package without files begins.
inline constexpr uint64_t first_file_offset = header_content_offset + package_info_size;

// Every signed piece of a package uses this mode.
inline constexpr int signature_mode = 1;
// Every SIGN section carries one signature per key, and the reader takes two.
inline constexpr size_t signatures_per_section = 2;

}  // namespace updater::package_format
