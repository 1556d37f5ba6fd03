#include <charconv>
#include <ctime>
#include <limits>

#include "common/text.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/levels.h"
#include "cpplogger/message.h"

namespace cpplogger {

namespace {

// Converting to local time is the costliest part of a line and records come many per
// second, so each thread keeps the text of the last second it formatted.
const std::u16string& date_time_text(int64_t ticks) {
  thread_local int64_t cached_second = std::numeric_limits<int64_t>::min();
  thread_local std::u16string cached_text;
  const int64_t second = ticks / 10'000'000;
  if (second == cached_second) return cached_text;
  cached_second = second;
  cached_text.clear();
  if (const auto local = winapi::to_local_time(second)) {
    char buffer[1024];
    const size_t length = std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &*local);
    cached_text = common::ascii_to_utf16(std::string_view(buffer, length));
  }
  return cached_text;
}

}  // namespace

std::u16string format_message(const message& record, bool with_thread_id, bool align_continuation) {
  const std::u16string& date = date_time_text(record.time);
  const size_t indent = 4 * static_cast<size_t>(record.depth < 0 ? 0 : record.depth) + 1;
  const std::u16string_view text = record.text;
  std::u16string line;
  // Room for the date, thread id, level, indent and text: one allocation for most lines.
  line.reserve(date.size() + 20 + indent + text.size());
  line.append(date);
  if (with_thread_id) {
    line += u' ';
    char digits[16];
    char* const end = std::to_chars(digits, digits + sizeof digits, record.thread_id).ptr;
    line.append(digits, end);
  }
  line += u' ';
  line += level_to_text(record.level);
  line.append(indent, u' ');
  if (!align_continuation) {
    line.append(text);
    return line;
  }

  const size_t prefix_length = line.size();
  size_t begin = 0;
  for (size_t feed = text.find(u'\n'); feed != std::u16string_view::npos; feed = text.find(u'\n', begin)) {
    line.append(text.substr(begin, feed + 1 - begin));
    line.append(prefix_length, u' ');
    begin = feed + 1;
  }
  line.append(text.substr(begin));
  return line;
}

}  // namespace cpplogger
