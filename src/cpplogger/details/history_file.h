#pragma once
// Files a history dump writes: one per thread buffer, named after the error that caused
// the dump, holding the buffer's records one line each.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "cpplogger/message.h"

namespace cpplogger::details {

// Local time of ticks as it appears in history file names: "%Y-%m-%d_%H-%M-%S".
std::u16string history_time_text(int64_t ticks);

// logs_directory/ + base name + time + "_" + process id + "_" + erroring thread id + "_" +
// buffer label + ".log"; the label is the buffer's thread id, or for the erroring
// thread's own buffer the level name of the error. Without a directory the name stands alone.
std::u16string history_file_path(const std::u16string& logs_directory, const std::u16string& log_base_name,
                                 std::u16string_view time_text, uint32_t process_id, uint32_t erroring_thread_id,
                                 std::u16string_view buffer_label);

// The base name inside a history file's name, when the whole name has the shape
// history_file_path gives it: base name, time, "_" + process id, "_" + erroring thread id,
// "_" + a thread id or ERROR or FATAL, ".log", numbers without leading zeros. Nothing for
// any other name.
std::optional<std::u16string_view> history_file_base_name(std::u16string_view file_name);

// The records as the file holds them: each in the line layout without thread id and with
// continuation aligned, in UTF-8, every line feed written as CR LF (the text-mode form).
std::string history_file_content(const std::deque<message>& records);

// Appends content to the file, creating it; false when it cannot be opened or written.
bool append_history_file(const std::u16string& path, std::string_view content);

}  // namespace cpplogger::details
