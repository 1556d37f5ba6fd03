#pragma once
// Key files of the publisher: PREFIX.key holds the private scalar in MPI form,
// PREFIX.pub the 33-byte compressed public point, both as raw bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace pack_tool {

// Creates path with bytes; an existing file is never replaced (Windows error 80).
void write_new_file(const std::string& path, const std::vector<uint8_t>& bytes);

// The keys in the given order, one file each.
std::vector<std::vector<uint8_t>> read_key_files(const std::vector<std::string>& paths);

}  // namespace pack_tool
