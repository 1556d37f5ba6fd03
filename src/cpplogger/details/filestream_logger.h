#pragma once
// The developer log writer: one UTF-8 line per record, written synchronously by the
// logging thread. Records whose write fails wait in a bounded queue and go out first
// at the next successful write; records dropped from a full queue are counted and
// reported in the file. Rolls the generations when the file reaches its size limit.
// Writers of other processes may share the folder: each follows the current name, so
// after one rolls the others soon write into the new current file, not the renamed one.
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "cpplogger/details/log_file_writer.h"
#include "cpplogger/details/log_rolling.h"
#include "cpplogger/message.h"
#include "cpplogger/settings.h"

namespace cpplogger::details {

class filestream_logger {
 public:
  static constexpr size_t max_pending = 2000;
  // How often a writer looks whether a writer sharing the folder has rolled its file
  // away: a look costs system calls, which would slow every line noticeably.
  static constexpr std::chrono::steady_clock::duration default_sharing_check_interval = std::chrono::milliseconds(250);

  filestream_logger(std::u16string directory, std::u16string base_name,
                    generation_finder find_generations = details::find_generations,
                    std::chrono::steady_clock::duration sharing_check_interval = default_sharing_check_interval);

  // Never throws; problems go to the debugger output.
  void write(const message& record, const logger_settings& settings);

  const std::u16string& directory() const { return directory_; }
  const std::u16string& base_name() const { return base_name_; }

 private:
  void write_record(const message& record, std::u16string_view line);
  bool write_line(std::u16string_view text, bool* roll_wanted);
  std::u16string format_line(const message& record) const;
  bool rolled_away_by_other_writer();
  bool roll_due() const;
  void roll();
  void clear_filled_file();

  // A file whose roll failed and that could not be cleared: the next roll waits until
  // it has grown by another size limit instead of being retried with every line.
  struct deferred_roll {
    winapi::file_identity file;
    int64_t size;
  };

  const std::u16string directory_;
  const std::u16string base_name_;
  const std::u16string current_path_;
  const generation_finder find_generations_;
  const std::chrono::steady_clock::duration sharing_check_interval_;
  std::chrono::steady_clock::time_point next_sharing_check_{};
  log_file_writer file_;
  std::optional<deferred_roll> deferred_roll_;
  std::deque<message> pending_;
  uint32_t lost_ = 0;
  logger_settings settings_;
  std::mutex mutex_;
};

}  // namespace cpplogger::details
