#include "updater_lib/details/package/block_ring.h"

namespace updater {

block_ring::block_ring(size_t slot_count, size_t block_size) : slots_(slot_count) {
  for (auto& slot : slots_) slot.bytes.resize(block_size);
}

uint8_t* block_ring::acquire() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return published_ - consumed_ < slots_.size(); });
  return slots_[published_ % slots_.size()].bytes.data();
}

void block_ring::publish(uint64_t offset, size_t size) {
  {
    std::lock_guard lock(mutex_);
    block& slot = slots_[published_ % slots_.size()];
    slot.offset = offset;
    slot.size = size;
    ++published_;
  }
  changed_.notify_all();
}

void block_ring::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

void block_ring::run_consumer(const block_consumer& consume) {
  for (;;) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return consumed_ < published_ || closed_; });
    if (consumed_ == published_) return;
    const block& slot = slots_[consumed_ % slots_.size()];
    lock.unlock();
    if (!consumer_error_) {
      try {
        consume(slot.offset, slot.bytes.data(), slot.size);
      } catch (...) {
        consumer_error_ = std::current_exception();
      }
    }
    lock.lock();
    ++consumed_;
    lock.unlock();
    changed_.notify_all();
  }
}

}  // namespace updater
