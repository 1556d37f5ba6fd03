#include "cpplogger/details/current_settings.h"

#include <atomic>
#include <cstdint>

#include "cpplogger/logger.h"

namespace cpplogger::details {

namespace {

// Starts above every thread's initial copy, so the first record of a thread fetches.
std::atomic<uint64_t> settings_epoch{1};

struct settings_copy {
  uint64_t epoch = 0;
  logger_settings settings;
};

thread_local settings_copy this_thread_copy;

}  // namespace

void settings_changed() noexcept { settings_epoch.fetch_add(1, std::memory_order_acq_rel); }

const logger_settings& current_settings() {
  settings_copy& copy = this_thread_copy;
  // Read before fetching: a change made meanwhile leaves the copy stale, never wrongly fresh.
  const uint64_t epoch = settings_epoch.load(std::memory_order_acquire);
  if (copy.epoch != epoch) {
    copy.settings = get_instance()->get_settings();
    copy.epoch = epoch;
  }
  return copy.settings;
}

}  // namespace cpplogger::details
