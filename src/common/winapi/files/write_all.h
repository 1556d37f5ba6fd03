#pragma once
// Writing a whole buffer: a write may take fewer bytes than given or be interrupted, so
// it is repeated until every byte is written or the system refuses.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace winapi {

// Writes size bytes at offset, or at the file position when there is none. 0, or the
// errno value (EIO when the system takes no byte). written counts the bytes written,
// also on failure. Raw system calls: async-signal-safe, and the sanitizers' interceptors
// do not check the bytes (a dump writes the whole memory, poisoned parts included).
int write_all(int descriptor, const void* data, size_t size, std::optional<uint64_t> offset, size_t& written);

}  // namespace winapi
