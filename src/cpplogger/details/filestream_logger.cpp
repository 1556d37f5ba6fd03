#include "cpplogger/details/filestream_logger.h"

#include <new>
#include <utility>
#include <vector>

#include "common/u16_stream.h"
#include "common/winapi/process/debug_output.h"
#include "cpplogger/levels.h"

namespace cpplogger::details {

namespace {

std::u16string loss_banner(uint32_t lost) {
  constexpr std::u16string_view stars = u" **********************************************";
  return common::concat(u"\n", stars, u"\n *** Failures in logging\n *** Number irretrievably lost messages: ", lost,
                        u"\n", stars, u"\n\n");
}

// Continuation lines are aligned only in the verbose levels.
bool aligned(const logger_settings& settings) { return settings.level <= level_debug; }

}  // namespace

filestream_logger::filestream_logger(std::u16string directory, std::u16string base_name,
                                     generation_finder find_generations,
                                     std::chrono::steady_clock::duration sharing_check_interval)
    : directory_(std::move(directory)),
      base_name_(std::move(base_name)),
      current_path_(generation_path(directory_, base_name_, 0)),
      find_generations_(std::move(find_generations)),
      sharing_check_interval_(sharing_check_interval) {}

void filestream_logger::write(const message& record, const logger_settings& settings) {
  try {
    // Formatting needs no shared state, so it stays outside the lock other threads wait on.
    const std::u16string line = format_message(record, true, aligned(settings));
    std::lock_guard lock(mutex_);
    settings_ = settings;
    write_record(record, line);
  } catch (const std::bad_alloc& failure) {
    winapi::output_debug_string_a(failure.what());
  } catch (const std::exception& failure) {
    winapi::output_debug_string_a(std::string("STL exception in worker filestream logger: ") + failure.what());
  } catch (...) {
    winapi::output_debug_string_a("Unknown exception in worker filestream logger");
  }
}

void filestream_logger::write_record(const message& record, std::u16string_view line) {
  bool ok = true;
  if (lost_ > 0) {
    ok = write_line(loss_banner(lost_), nullptr);
    if (ok) lost_ = 0;
  }
  while (ok && !pending_.empty()) {
    ok = write_line(format_line(pending_.front()), nullptr);
    if (ok) pending_.pop_front();
  }
  bool roll_wanted = false;
  if (!ok || !write_line(line, &roll_wanted)) {
    pending_.push_back(record);
    if (pending_.size() > max_pending) {
      pending_.pop_front();
      ++lost_;
    }
  }
  if (roll_wanted) roll();
}

std::u16string filestream_logger::format_line(const message& record) const {
  return format_message(record, true, aligned(settings_));
}

bool filestream_logger::write_line(std::u16string_view text, bool* roll_wanted) {
  try {
    if (file_.is_open() && rolled_away_by_other_writer()) file_.close();
    if (!file_.is_open()) file_.open(current_path_, log_file_writer::open_mode::append);
    file_.write_line(text);
    if (roll_wanted != nullptr) {
      *roll_wanted = roll_due();
      if (*roll_wanted) file_.close();
    }
    return true;
  } catch (const log_file_writer_exception& failure) {
    winapi::output_debug_string_a(std::string(failure.what()) + "\n");
    file_.close();
    return false;
  }
}

// A writer sharing the folder rolls the file away only once it has reached the limit;
// from then on the lines belong in the new current file. The name is looked up only
// then, and the size only now and then, so a line costs no system call of its own.
bool filestream_logger::rolled_away_by_other_writer() {
  const auto now = std::chrono::steady_clock::now();
  if (now < next_sharing_check_) return false;
  next_sharing_check_ = now + sharing_check_interval_;
  return file_.shared_size() >= settings_.max_file_size && !file_.is_named_by(current_path_);
}

bool filestream_logger::roll_due() const {
  int64_t limit = settings_.max_file_size;
  if (deferred_roll_ && file_.identity() == deferred_roll_->file) limit += deferred_roll_->size;
  return file_.size() >= limit;
}

void filestream_logger::roll() {
  deferred_roll_.reset();
  try {
    std::vector<generation> generations;
    roll_generations(directory_, base_name_, settings_.max_backup_index, generations, find_generations_);
  } catch (const rolling_exception& failure) {
    winapi::output_debug_string_a(std::string("Not rolling files: ") + failure.what() + "\n");
    clear_filled_file();
  }
}

// After a failed roll the file that reached the limit is emptied so that it cannot grow
// without bound. Only that file: when the current name holds another one, a writer
// sharing the folder has rolled it already.
void filestream_logger::clear_filled_file() {
  const auto filled = file_.identity();
  const int64_t filled_size = file_.size();
  if (!filled || !file_.is_named_by(current_path_)) return;
  try {
    file_.open(current_path_, log_file_writer::open_mode::truncate);
    file_.close();
  } catch (const log_file_writer_exception& failure) {
    winapi::output_debug_string_a(std::string("Not clear file data: ") + failure.what() + "\n");
    deferred_roll_ = deferred_roll{*filled, filled_size};
  }
}

}  // namespace cpplogger::details
