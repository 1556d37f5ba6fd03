#pragma once
// The history log: every thread's recent records in memory, whatever the developer log
// does, dumped into history files and archived when any thread logs ERROR or FATAL.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "cpplogger/details/logger_interface.h"
#include "cpplogger/details/record_view.h"
#include "cpplogger/details/thread_history_buffer.h"
#include "cpplogger/settings.h"

namespace cpplogger::details {

class history_log {
 public:
  // Ticks of 100 ns since 1970, for the names of history files and the start of the
  // first purge period; records bring their own time.
  using clock = std::function<int64_t()>;
  using archiver = std::function<void(const std::u16string& log_base_name, const std::u16string& logs_directory,
                                      const logger_settings& settings)>;

  // Buffers of vanished threads are looked for at most once per idle period, and only
  // those that received nothing for that long; buffers a dump has emptied count too, or
  // every thread that ever logged would keep an entry.
  static constexpr int64_t idle_period = 600'000'000;

  // ERROR and FATAL records dump the history.
  static bool dumps_on(int32_t level);

  history_log();
  history_log(clock now, archiver archive);

  // Keeps a record of a level that does not dump in its thread's buffer, within the
  // settings' buffer budget.
  void keep(const record_view& record, const logger_settings& settings);

  // Keeps an ERROR or FATAL record, then dumps every buffer into the logs directory of
  // instance and archives the dumps; without a logs directory the buffers are kept.
  void keep_and_dump(const record_view& record, const logger_settings& settings, const logger_interface& instance);

  void clear_all();

  // The number of threads the history holds a buffer for.
  size_t thread_count();

 private:
  // The thread's buffer, made on its first record; the registry lock is held.
  std::shared_ptr<thread_history_buffer> buffer_of(uint32_t thread_id);
  // The same, remembered by the calling thread between records.
  thread_history_buffer& cached_buffer_of(uint32_t thread_id);
  void dump_all(int32_t level, uint32_t erroring_thread_id, const logger_settings& settings,
                const logger_interface& instance);
  // An ERROR or FATAL record made while its thread dumps (the crash report of a fault
  // inside the dump or the archiving) cannot wait for the registry this thread holds:
  // it gets a history file of its own, which the next archiving packs.
  void write_alone(const record_view& record, const logger_interface& instance) const;
  void purge_if_due(int64_t now);

  const uint64_t id_;  // tells this log's buffers apart in the threads' caches
  const clock now_;
  const archiver archive_;
  // Lock order: registry_mutex_, then a buffer's own mutex.
  std::mutex registry_mutex_;
  std::map<uint32_t, std::shared_ptr<thread_history_buffer>> buffers_;
  std::atomic<int64_t> last_purge_time_;
};

// The history every logging call feeds.
history_log& process_history_log();

}  // namespace cpplogger::details
