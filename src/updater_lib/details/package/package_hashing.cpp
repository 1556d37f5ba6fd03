#include "updater_lib/details/package/package_hashing.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "common/fs_utils.h"
#include "cpplogger/log_scope.h"
#include "updater_lib/details/package/block_ring.h"
#include "updater_lib/details/package/hash_file_helpers.h"
#include "updater_lib/details/package/package_file_io.h"

namespace updater {

namespace {

constexpr uint64_t hash_block_size = 1024 * 1024;
// Two blocks in flight on each side keep both threads busy; more only costs memory.
constexpr size_t ring_slot_count = 4;

// Hashes the requested parts out of consecutive blocks of the whole range.
class parts_hasher {
 public:
  explicit parts_hasher(const std::vector<byte_range>& parts)
      : parts_(parts), engine_(hash_file_helpers::create_hash_engine()) {}

  void feed(uint64_t block_offset, const uint8_t* data, size_t size) {
    const uint64_t block_end = block_offset + size;
    while (next_ < parts_.size()) {
      const byte_range& part = parts_[next_];
      const uint64_t part_end = part.offset + part.length;
      if (part.offset > block_end || (part.offset == block_end && part.length > 0)) return;
      if (!started_) {
        engine_->init();
        started_ = true;
      }
      const uint64_t from = std::max(part.offset, block_offset);
      const uint64_t to = std::min(part_end, block_end);
      if (to > from) engine_->update(data + (from - block_offset), static_cast<size_t>(to - from));
      if (part_end > block_end) return;
      results_.push_back({part, engine_->final()});
      started_ = false;
      ++next_;
    }
  }

  std::vector<range_digest> take_results() { return std::move(results_); }

 private:
  const std::vector<byte_range>& parts_;
  std::unique_ptr<hash_file_helpers::hash_engine_base> engine_;
  size_t next_ = 0;
  bool started_ = false;
  std::vector<range_digest> results_;
};

// Runs the consumer side of a ring on its own thread for the life of the object; the
// thread is always closed and joined, also when the reading side fails.
class consumer_thread {
 public:
  consumer_thread(block_ring& ring, block_ring::block_consumer consume)
      : ring_(ring), thread_([this, consume = std::move(consume)] { ring_.run_consumer(consume); }) {}
  ~consumer_thread() { finish(); }
  consumer_thread(const consumer_thread&) = delete;
  consumer_thread& operator=(const consumer_thread&) = delete;

  void finish() {
    if (!thread_.joinable()) return;
    ring_.close();
    thread_.join();
  }

 private:
  block_ring& ring_;
  std::thread thread_;
};

}  // namespace

byte_buffer compute_hash_of_part_of_the_file(winapi::handle_t handle, uint64_t offset, uint64_t length) {
  FW_LOG_SCOPE();
  fs_utils::set_file_pointer(handle, static_cast<int64_t>(offset));
  auto engine = hash_file_helpers::create_hash_engine();
  engine->init();
  for (uint64_t remaining = length; remaining > 0;) {
    const byte_buffer block = read_buffer_from_file(handle, std::min(remaining, hash_block_size));
    engine->update(block.data(), block.size());
    remaining -= block.size();
  }
  return engine->final();
}

digests_of_range_and_parts compute_hash_of_part_of_the_file_and_parts(winapi::handle_t handle, uint64_t offset,
                                                                      uint64_t length,
                                                                      const std::vector<byte_range>& parts) {
  FW_LOG_SCOPE();
  if (parts.empty()) return {compute_hash_of_part_of_the_file(handle, offset, length), {}};

  fs_utils::set_file_pointer(handle, static_cast<int64_t>(offset));
  auto engine = hash_file_helpers::create_hash_engine();
  engine->init();
  parts_hasher hasher(parts);
  block_ring ring(ring_slot_count, hash_block_size);
  consumer_thread consumer(ring, [&hasher](uint64_t block_offset, const uint8_t* data, size_t size) {
    hasher.feed(block_offset, data, size);
  });
  for (uint64_t done = 0; done < length;) {
    const auto size = static_cast<uint32_t>(std::min(length - done, hash_block_size));
    uint8_t* block = ring.acquire();
    read_exactly(handle, block, size);
    ring.publish(offset + done, size);
    engine->update(block, size);
    done += size;
  }
  // An empty block at the end closes parts that end there with no bytes.
  ring.acquire();
  ring.publish(offset + length, 0);
  consumer.finish();
  if (ring.consumer_error()) std::rethrow_exception(ring.consumer_error());
  return {engine->final(), hasher.take_results()};
}

}  // namespace updater
