#include <ctime>

#include "common/text.h"
#include "common/winapi/process_info.h"
#include "cpplogger/levels.h"
#include "cpplogger/message.h"

namespace cpplogger {

namespace {

std::u16string date_time_text(int64_t ticks) {
  const auto local = winapi::to_local_time(ticks / 10'000'000);
  if (!local) return {};
  char buffer[1024];
  const size_t length = std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &*local);
  return common::ascii_to_utf16(std::string_view(buffer, length));
}

}  // namespace

std::u16string format_message(const message& record, bool with_thread_id, bool align_continuation) {
  std::u16string line = date_time_text(record.time);
  if (with_thread_id) {
    line += u' ';
    line += common::ascii_to_utf16(std::to_string(record.thread_id));
  }
  line += u' ';
  line += level_to_text(record.level);
  line.append(4 * static_cast<size_t>(record.depth < 0 ? 0 : record.depth) + 1, u' ');
  const size_t prefix_length = line.size();
  if (!align_continuation) return line + record.text;

  line.reserve(prefix_length + record.text.size());
  for (char16_t c : record.text) {
    line += c;
    if (c == u'\n') line.append(prefix_length, u' ');
  }
  return line;
}

}  // namespace cpplogger
