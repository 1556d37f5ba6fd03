#include "cpplogger/details/thread_history_buffer.h"

#include <utility>

namespace cpplogger::details {

void thread_history_buffer::add(message record, uint32_t budget, int64_t now) {
  if (record.text.empty()) return;
  uint32_t cost = cost_of(record);
  std::lock_guard lock(mutex_);
  if (cost > budget) {
    record.text = skipped_text;
    cost = cost_of(record);
  }
  while (!records_.empty() && static_cast<uint64_t>(total_cost_) + cost > budget) {
    total_cost_ -= cost_of(records_.front());
    records_.pop_front();
  }
  records_.push_back(std::move(record));
  total_cost_ += cost;
  last_append_time_ = now;
}

std::deque<message> thread_history_buffer::take_records() {
  std::deque<message> taken;
  std::lock_guard lock(mutex_);
  taken.swap(records_);
  total_cost_ = 0;
  return taken;
}

bool thread_history_buffer::idle_with_records(int64_t now, int64_t idle_period) const {
  std::lock_guard lock(mutex_);
  return !records_.empty() && now - last_append_time_ >= idle_period;
}

}  // namespace cpplogger::details
