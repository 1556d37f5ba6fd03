#pragma once
// A log record as the logging call holds it: the text is still the caller's, so a record
// that only enters a history buffer is copied once, into the buffer.
#include <cstdint>
#include <string>
#include <string_view>

#include "cpplogger/message.h"

namespace cpplogger::details {

struct record_view {
  record_view(int32_t level, int32_t depth, std::u16string_view text, uint32_t thread_id, int64_t time)
      : level(level), depth(depth), text(text), thread_id(thread_id), time(time) {}
  // Implicit: a finished record can be handed on wherever a view is taken.
  record_view(const message& record)  // NOLINT(google-explicit-constructor)
      : record_view(record.level, record.depth, record.text, record.thread_id, record.time) {}

  message to_message() const { return message{level, depth, std::u16string(text), thread_id, time}; }

  int32_t level;
  int32_t depth;
  std::u16string_view text;
  uint32_t thread_id;
  int64_t time;
};

}  // namespace cpplogger::details
