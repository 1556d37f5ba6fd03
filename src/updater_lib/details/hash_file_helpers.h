#pragma once
// Message digests behind one interface; the only algorithm is SHA-256.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace hash_file_helpers {

class hash_engine_base {
 public:
  virtual ~hash_engine_base() = default;
  virtual void init() = 0;
  virtual void update(const void* data, size_t size) = 0;
  // Finishes the digest; init() must be called again before another use.
  virtual std::vector<uint8_t> final() = 0;
  virtual size_t digest_size() const = 0;
};

constexpr int sha256_algorithm = 0;

// A new, not yet initialised SHA-256 engine.
std::unique_ptr<hash_engine_base> create_hash_engine();

std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size, hash_engine_base& engine);
std::vector<uint8_t> compute_buffer_hash(const void* data, uint32_t size);

}  // namespace hash_file_helpers
