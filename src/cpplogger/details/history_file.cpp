#include "cpplogger/details/history_file.h"

#include <ctime>

#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/details/log_text.h"
#include "cpplogger/details/name_shape.h"
#include "cpplogger/levels.h"

namespace cpplogger::details {

std::u16string history_time_text(int64_t ticks) {
  const auto local = winapi::to_local_time(ticks / 10'000'000);
  if (!local) return {};
  char buffer[64];
  const size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d_%H-%M-%S", &*local);
  return common::ascii_to_utf16(std::string_view(buffer, length));
}

namespace {

constexpr std::u16string_view part_separator = u"_";
constexpr std::u16string_view extension = u".log";

}  // namespace

std::u16string history_file_path(const std::u16string& logs_directory, const std::u16string& log_base_name,
                                 std::u16string_view time_text, uint32_t process_id, uint32_t erroring_thread_id,
                                 std::u16string_view buffer_label) {
  // The separator is added even after a trailing one, as the names were always built.
  const std::u16string_view folder_separator = logs_directory.empty() ? u"" : u"/";
  return common::concat(logs_directory, folder_separator, log_base_name, time_text, part_separator, process_id,
                        part_separator, erroring_thread_id, part_separator, buffer_label, extension);
}

std::optional<std::u16string_view> history_file_base_name(std::u16string_view name) {
  using namespace name_shape;
  if (!remove_suffix(name, extension)) return std::nullopt;
  if (!remove_trailing_number(name) && !remove_suffix(name, level_to_text(level_error)) &&
      !remove_suffix(name, level_to_text(level_fatal)))
    return std::nullopt;
  for (int number = 0; number < 2; ++number) {
    if (!remove_suffix(name, part_separator) || !remove_trailing_number(name)) return std::nullopt;
  }
  if (!remove_suffix(name, part_separator) || !remove_trailing_date_time(name)) return std::nullopt;
  return name;
}

std::string history_file_content(const std::deque<message>& records) {
  std::string content;
  std::string line;
  for (const message& record : records) {
    line.clear();
    append_log_utf8(line, format_message(record, false, true));
    line += '\n';
    for (const char byte : line) {
      if (byte == '\n') content += '\r';
      content += byte;
    }
  }
  return content;
}

bool append_history_file(const std::u16string& path, std::string_view content) {
  const winapi::handle_t file =
      winapi::create_file(path, winapi::file_append_data, winapi::creation_disposition::open_always);
  if (file == winapi::invalid_handle_value) return false;
  uint32_t written = 0;
  const bool complete = winapi::write_file(file, content.data(), static_cast<uint32_t>(content.size()), &written) &&
                        written == content.size();
  return winapi::close_handle(file) && complete;
}

}  // namespace cpplogger::details
