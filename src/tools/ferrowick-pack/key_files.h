#pragma once
// Key files of the publisher: PREFIX.key holds the private scalar in MPI form,
// PREFIX.pub the 33-byte compressed public point, both as raw bytes (public keys are
// read by updater::read_public_key_file, which also takes their Base64 text).
#include <cstdint>
#include <string>
#include <vector>

namespace pack_tool {

// Creates path with bytes; an existing file is never replaced (Windows error 80).
void write_new_file(const std::string& path, const std::vector<uint8_t>& bytes);

// The private keys in the given order, one file each.
std::vector<std::vector<uint8_t>> read_key_files(const std::vector<std::string>& paths);

}  // namespace pack_tool
