#pragma once
// Stand-in for BCryptGenRandom with the system-preferred generator: bytes from the
// system's cryptographic random source (getrandom on Linux), for names nobody can guess.
#include <cstddef>

namespace winapi {

// Fills count bytes; false with the last error set when the source fails.
bool generate_random_bytes(void* buffer, size_t count);

}  // namespace winapi
