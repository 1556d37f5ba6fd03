#include "cpplogger/details/thread_history_buffer.h"

#include <utility>

namespace cpplogger::details {

void thread_history_buffer::add(const record_view& record, uint32_t budget) {
  if (record.text.empty()) return;
  std::u16string_view text = record.text;
  uint32_t cost = cost_of(text);
  if (cost > budget) {
    text = skipped_text;
    cost = cost_of(text);
  }
  std::lock_guard lock(mutex_);
  while (!records_.empty() && static_cast<uint64_t>(total_cost_) + cost > budget) {
    total_cost_ -= cost_of(records_.front().text);
    spare_text_ = std::move(records_.front().text);
    records_.pop_front();
  }
  // Storage far bigger than this text is let go, so recycled capacity stays in proportion
  // to what the budget counts.
  if (spare_text_.capacity() > 2 * text.size() + 32) spare_text_ = std::u16string();
  spare_text_.assign(text);
  records_.push_back(message{record.level, record.depth, std::move(spare_text_), record.thread_id, record.time});
  total_cost_ += cost;
  last_append_time_ = record.time;
}

std::deque<message> thread_history_buffer::take_records() {
  std::deque<message> taken;
  std::lock_guard lock(mutex_);
  taken.swap(records_);
  total_cost_ = 0;
  return taken;
}

bool thread_history_buffer::idle(int64_t now, int64_t idle_period) const {
  std::lock_guard lock(mutex_);
  return now - last_append_time_ >= idle_period;
}

}  // namespace cpplogger::details
