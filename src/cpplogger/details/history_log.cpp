#include "cpplogger/details/history_log.h"

#include <string_view>
#include <utility>

#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "common/winapi/sync/thread_exists.h"
#include "cpplogger/details/history_archiving.h"
#include "cpplogger/details/history_file.h"
#include "cpplogger/levels.h"

namespace cpplogger::details {

namespace {

// Set while this thread dumps: the archiving below it logs, and those records must not
// reach for the registry lock this thread already holds.
thread_local bool dumping = false;

class dumping_scope {
 public:
  dumping_scope() { dumping = true; }
  ~dumping_scope() { dumping = false; }
  dumping_scope(const dumping_scope&) = delete;
  dumping_scope& operator=(const dumping_scope&) = delete;
};

// Only the low 32 bits of the configured size count.
uint32_t budget_of(const logger_settings& settings) { return static_cast<uint32_t>(settings.max_buffer_size); }

// The buffer this thread appended to last: a normal record then needs no registry lock.
struct last_buffer {
  uint64_t log_id = 0;
  uint32_t thread_id = 0;
  std::shared_ptr<thread_history_buffer> buffer;
};
thread_local last_buffer last_buffer_of_this_thread;

std::atomic<uint64_t> next_log_id{1};

}  // namespace

history_log::history_log() : history_log(winapi::current_time_ticks, archive_history_files) {}

history_log::history_log(clock now, archiver archive)
    : id_(next_log_id.fetch_add(1)), now_(std::move(now)), archive_(std::move(archive)), last_purge_time_(now_()) {}

bool history_log::dumps_on(int32_t level) { return level == level_error || level == level_fatal; }

void history_log::keep(const record_view& record, const logger_settings& settings) {
  if (dumping) return;
  cached_buffer_of(record.thread_id).add(record, budget_of(settings));
  purge_if_due(record.time);
}

void history_log::keep_and_dump(const record_view& record, const logger_settings& settings,
                                const logger_interface& instance) {
  if (dumping) {
    write_alone(record, instance);
    return;
  }
  // The registry stays locked through dump and archive, so two dumps never overlap.
  std::lock_guard lock(registry_mutex_);
  buffer_of(record.thread_id)->add(record, budget_of(settings));
  dump_all(record.level, record.thread_id, settings, instance);
}

thread_history_buffer& history_log::cached_buffer_of(uint32_t thread_id) {
  last_buffer& cache = last_buffer_of_this_thread;
  if (cache.log_id != id_ || cache.thread_id != thread_id || !cache.buffer || cache.buffer->retired()) {
    std::lock_guard lock(registry_mutex_);
    cache = {id_, thread_id, buffer_of(thread_id)};
  }
  return *cache.buffer;
}

std::shared_ptr<thread_history_buffer> history_log::buffer_of(uint32_t thread_id) {
  std::shared_ptr<thread_history_buffer>& buffer = buffers_[thread_id];
  if (!buffer) buffer = std::make_shared<thread_history_buffer>();
  return buffer;
}

void history_log::dump_all(int32_t level, uint32_t erroring_thread_id, const logger_settings& settings,
                           const logger_interface& instance) {
  const dumping_scope scope;
  const std::u16string directory = instance.get_logs_directory();
  // History files would otherwise land in whatever the working directory is.
  if (directory.empty()) return;
  const std::u16string base_name = instance.get_log_base_name();
  const std::u16string time_text = history_time_text(now_());
  const uint32_t process_id = winapi::current_process_id();
  for (const auto& [thread_id, buffer] : buffers_) {
    const std::deque<message> records = buffer->take_records();
    if (records.empty()) continue;
    const std::u16string label =
        thread_id == erroring_thread_id ? std::u16string(level_to_text(level)) : common::concat(thread_id);
    // A file that cannot be written is skipped; its records are gone with the dump.
    append_history_file(history_file_path(directory, base_name, time_text, process_id, erroring_thread_id, label),
                        history_file_content(records));
  }
  archive_(base_name, directory, settings);
}

void history_log::write_alone(const record_view& record, const logger_interface& instance) const {
  const std::u16string directory = instance.get_logs_directory();
  if (directory.empty()) return;
  append_history_file(history_file_path(directory, instance.get_log_base_name(), history_time_text(now_()),
                                        winapi::current_process_id(), record.thread_id, level_to_text(record.level)),
                      history_file_content({record.to_message()}));
}

void history_log::purge_if_due(int64_t now) {
  if (now - last_purge_time_.load(std::memory_order_relaxed) < idle_period) return;
  std::lock_guard lock(registry_mutex_);
  if (now - last_purge_time_.load(std::memory_order_relaxed) < idle_period) return;
  for (auto entry = buffers_.begin(); entry != buffers_.end();) {
    if (entry->second->idle(now, idle_period) && !winapi::thread_exists(entry->first)) {
      entry->second->retire();
      entry = buffers_.erase(entry);
    } else {
      ++entry;
    }
  }
  last_purge_time_.store(now, std::memory_order_relaxed);
}

void history_log::clear_all() {
  std::lock_guard lock(registry_mutex_);
  for (const auto& entry : buffers_) entry.second->clear();
}

size_t history_log::thread_count() {
  std::lock_guard lock(registry_mutex_);
  return buffers_.size();
}

history_log& process_history_log() {
  // Never destroyed: threads and static destructors may still log during exit.
  static history_log* const log = new history_log;
  return *log;
}

}  // namespace cpplogger::details
