#pragma once
// One thread's most recent records, oldest first, kept within a byte budget.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>

#include "cpplogger/message.h"

namespace cpplogger::details {

class thread_history_buffer {
 public:
  static constexpr std::u16string_view skipped_text = u"Message was skipped";

  // Bytes a record counts against the budget: its text in UTF-16 plus a fixed overhead.
  static uint32_t cost_of(const message& record) { return 2 * static_cast<uint32_t>(record.text.size()) + 48; }

  // Appends the record at time now, evicting the oldest records while the costs would
  // exceed the budget. A record too big for the budget on its own is kept as
  // skipped_text; a record with an empty text is not kept.
  void add(message record, uint32_t budget, int64_t now);

  // The records, oldest first; the buffer is left empty.
  std::deque<message> take_records();

  // The dropped records are freed after the lock is released.
  void clear() { take_records(); }

  // True when the buffer holds records and none was added within idle_period before now.
  bool idle_with_records(int64_t now, int64_t idle_period) const;

 private:
  mutable std::mutex mutex_;
  std::deque<message> records_;
  uint32_t total_cost_ = 0;
  int64_t last_append_time_ = 0;
};

}  // namespace cpplogger::details
