#include "cpplogger/logger.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "common/winapi/process/process_info.h"
#include "cpplogger/details/fake_impl.h"
#include "cpplogger/details/history_log.h"
#include "cpplogger/details/instance_holder.h"

namespace cpplogger {

namespace {

// Set when the holder is destroyed at process exit; from then on log() returns at
// once, so static objects destroyed later may still log safely.
std::atomic<bool> logging_switched_off{false};

}  // namespace

namespace details {

instance_holder::~instance_holder() {
  logging_switched_off.store(true);
  std::shared_ptr<logger_interface> last;
  {
    std::unique_lock lock(holder_lock);
    last = std::move(instance);
  }
  // Released outside the lock: the logger's watcher may reach for the instance until it is joined.
  last.reset();
}

// Constant-initialised, so static initialisers of other files may log before this one runs.
constinit instance_holder holder;

}  // namespace details

using details::holder;

namespace details {

int32_t& thread_scope_depth() {
  thread_local int32_t depth = 0;
  return depth;
}

}  // namespace details

std::shared_ptr<details::logger_interface> get_instance() {
  {
    std::shared_lock lock(holder.holder_lock);
    if (holder.instance) return holder.instance;
  }
  std::unique_lock lock(holder.holder_lock);
  if (!holder.instance) holder.instance = std::make_shared<details::fake_impl>();
  return holder.instance;
}

void log(int32_t level, std::u16string_view text) {
  if (logging_switched_off.load(std::memory_order_relaxed)) return;
  const details::record_view record{level, details::thread_scope_depth(), text, winapi::current_thread_id(),
                                    winapi::current_time_ticks()};
  // A copy: logging that the dump below causes may refresh this thread's settings.
  const logger_settings settings = details::current_settings();
  auto& history = details::process_history_log();
  std::shared_ptr<details::logger_interface> instance;
  if (details::history_log::dumps_on(level)) {
    instance = get_instance();
    history.keep_and_dump(record, settings, *instance);
  } else {
    history.keep(record, settings);
  }
  if (!settings.use_developer_log) return;
  if (!instance) instance = get_instance();
  instance->write(record.to_message());
}

void clear_history() { details::process_history_log().clear_all(); }

logger_settings get_settings() { return get_instance()->get_settings(); }

std::u16string get_logs_directory() { return get_instance()->get_logs_directory(); }

std::u16string get_log_base_name() { return get_instance()->get_log_base_name(); }

}  // namespace cpplogger
