#pragma once
// Events and waiting: unnamed manual-reset events, the named stop event opened for
// waiting only, setting, waiting with a time-out and waiting for the first of several
// handles; plus a recursive lock for process-wide once-only initialisation.
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "common/handle_holder.h"

namespace sync_helpers {

constexpr uint32_t infinite = 0xFFFFFFFF;
constexpr uint32_t max_wait_handles = 64;

// A new unnamed manual-reset event, not signalled.
common::handle_holder create_basic_manual_reset_event();
common::handle_holder create_basic_event_object();

// The existing named event, opened for waiting only (it cannot be set through this
// handle). A missing event raises the Windows error 2 of OpenEventW.
common::handle_holder open_event_for_sync(const std::u16string& name);
common::handle_holder open_event_object(const std::u16string& name);

// Handle 0 raises 5185.
void set_event(const common::handle_holder& event);

// True when the handle is signalled within milliseconds (infinite allowed), false on
// time-out. Handle 0 raises 5185, -1 raises 5186.
bool wait(winapi::handle_t handle, uint32_t milliseconds);
// Never blocks.
bool is_event_set(winapi::handle_t handle);

// Waits up to milliseconds (infinite allowed) for the first of 1 to 64 handles; returns
// (true, index of the lowest signalled handle), or (false, uint32_t(-1)) on time-out or
// an unexpected wait result. A null array or a count out of range raises 5189.
std::pair<bool, uint32_t> wait_any(const winapi::handle_t* handles, uint32_t count, uint32_t milliseconds = infinite);

// Recursive lock for process-wide initialisations. Destroying it while another thread
// holds it logs at FATAL level and terminates the process.
class critical_section {
 public:
  critical_section() = default;
  ~critical_section();
  critical_section(const critical_section&) = delete;
  critical_section& operator=(const critical_section&) = delete;

  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace sync_helpers
