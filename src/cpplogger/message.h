#pragma once
#include <cstdint>
#include <string>

namespace cpplogger {

// One log record, copied by value wherever it is queued.
struct message {
  int32_t level = 0;
  int32_t depth = 0;  // scope nesting depth of the logging thread
  std::u16string text;
  uint32_t thread_id = 0;
  int64_t time = 0;  // 100-ns ticks since 1970-01-01 UTC
};

// The one line layout of a record: local date and time, [thread id,] level,
// 4 * depth + 1 spaces, text. With align_continuation, lines after a line feed
// start under the first character of the text. No line terminator.
std::u16string format_message(const message& record, bool with_thread_id, bool align_continuation);

}  // namespace cpplogger
