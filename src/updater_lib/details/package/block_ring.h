#pragma once
// A bounded ring of read blocks shared by one producer and one consumer thread. The
// producer fills the next free slot, publishes it and may keep reading the slot while
// the consumer works on it; a slot is reused only after the consumer has released it,
// so memory stays at slot_count blocks whatever the file size.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

namespace updater {

class block_ring {
 public:
  using block_consumer = std::function<void(uint64_t offset, const uint8_t* data, size_t size)>;

  block_ring(size_t slot_count, size_t block_size);

  // Producer: waits for a free slot and returns it (block_size bytes).
  uint8_t* acquire();
  // Producer: hands the slot returned by the last acquire() to the consumer.
  void publish(uint64_t offset, size_t size);
  // Producer: no more blocks; the consumer drains what was published and returns.
  void close();

  // Consumer: runs consume on every published block in order until close(). An
  // exception from consume is kept and later blocks are only released.
  void run_consumer(const block_consumer& consume);
  // The exception the consumer kept, if any; read after the consumer has returned.
  std::exception_ptr consumer_error() const { return consumer_error_; }

 private:
  struct block {
    std::vector<uint8_t> bytes;
    uint64_t offset = 0;
    size_t size = 0;
  };

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<block> slots_;
  uint64_t published_ = 0;
  uint64_t consumed_ = 0;
  bool closed_ = false;
  std::exception_ptr consumer_error_;
};

}  // namespace updater
