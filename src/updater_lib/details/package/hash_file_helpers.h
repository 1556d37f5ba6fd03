#pragma once
// Message digests behind one interface; the only algorithm is SHA-256.
// Entry points: create_hash_engine (init, update per block, final) and
// compute_buffer_hash for a buffer in memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace hash_file_helpers {

class hash_engine_base {
 public:
  virtual ~hash_engine_base() = default;
  // Starts a new digest, discarding any state.
  virtual void init() = 0;
  // Absorbs bytes; a count of 0 is allowed. Raises std::logic_error before init().
  virtual void update(const void* data, size_t size) = 0;
  // Finishes the digest; init() must be called again before another use (update or
  // final without it raise std::logic_error rather than yield a wrong digest).
  virtual std::vector<uint8_t> final() = 0;
  virtual size_t digest_size() const = 0;
};

constexpr int sha256_algorithm = 0;

// A new, not yet initialised SHA-256 engine.
std::unique_ptr<hash_engine_base> create_hash_engine();

// init, one update, final. A null data pointer raises 5182, also for a size of 0.
std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size, hash_engine_base& engine);
// The SHA-256 of the buffer with an engine of its own.
std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size);

}  // namespace hash_file_helpers
