#pragma once
// The settings every logging call consults, copied per thread and fetched again only
// after the process-wide instance or its settings may have changed: a record then costs
// no lock for them.
#include <shared_mutex>

#include "cpplogger/settings.h"

namespace cpplogger::details {

// Makes every thread fetch the settings again at its next record.
void settings_changed() noexcept;

// The calling thread's copy of the process-wide instance's settings.
const logger_settings& current_settings();

// The instance holder's reader-writer lock. Releasing it exclusively counts as
// settings_changed: whoever held it may have replaced the instance.
class instance_lock {
 public:
  void lock() { mutex_.lock(); }
  bool try_lock() { return mutex_.try_lock(); }
  void unlock() {
    settings_changed();
    mutex_.unlock();
  }
  void lock_shared() { mutex_.lock_shared(); }
  bool try_lock_shared() { return mutex_.try_lock_shared(); }
  void unlock_shared() { mutex_.unlock_shared(); }

 private:
  std::shared_mutex mutex_;
};

}  // namespace cpplogger::details
