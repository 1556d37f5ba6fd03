#pragma once
// One thread's most recent records, oldest first, kept within a byte budget.
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

#include "cpplogger/details/record_view.h"
#include "cpplogger/message.h"

namespace cpplogger::details {

class thread_history_buffer {
 public:
  static constexpr std::u16string_view skipped_text = u"Message was skipped";

  // Bytes a record counts against the budget: its text in UTF-16 plus a fixed overhead.
  static uint32_t cost_of(std::u16string_view text) { return 2 * static_cast<uint32_t>(text.size()) + 48; }

  // Copies the record in, evicting the oldest records while the costs would exceed the
  // budget. A record too big for the budget on its own is kept as skipped_text; a record
  // with an empty text is not kept.
  void add(const record_view& record, uint32_t budget);

  // The records, oldest first; the buffer is left empty.
  std::deque<message> take_records();

  // The dropped records are freed after the lock is released.
  void clear() { take_records(); }

  // True when no record was added within idle_period before now, whether or not a dump
  // has emptied the buffer since.
  bool idle(int64_t now, int64_t idle_period) const;

  // Marks a buffer dropped from the registry, so no thread appends to it any more.
  void retire() { retired_.store(true, std::memory_order_relaxed); }
  bool retired() const { return retired_.load(std::memory_order_relaxed); }

 private:
  mutable std::mutex mutex_;
  std::deque<message> records_;
  uint32_t total_cost_ = 0;
  int64_t last_append_time_ = 0;
  // The text storage of the last evicted record, reused by the next one: once the
  // buffer is full, keeping a record allocates nothing.
  std::u16string spare_text_;
  std::atomic<bool> retired_{false};
};

}  // namespace cpplogger::details
