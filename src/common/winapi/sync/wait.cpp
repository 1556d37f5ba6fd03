// Waits over events: the state of every handle is checked, then poll() sleeps on the
// unnamed events' eventfds and on one inotify instance that watches the named events'
// state files. The watches are made before the first check, so a set that happens after
// the check always wakes the poll; nothing is polled in a loop.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/event_registry.h"
#include "common/winapi/sync/events.h"
#include "common/winapi/sync/named_event_store.h"

namespace winapi {

namespace {

using clock = std::chrono::steady_clock;

// One inotify instance per wait call, so waiters on one handle never drain each other's
// notifications.
class named_watches {
 public:
  ~named_watches() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }

  bool add(handle_t state_file) {
    if (descriptor_ < 0) {
      descriptor_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
      if (descriptor_ < 0) return fail();
    }
    // The descriptor's /proc link names the open file even after its name is deleted.
    const std::string link = "/proc/self/fd/" + std::to_string(state_file);
    if (::inotify_add_watch(descriptor_, link.c_str(), IN_MODIFY) < 0) return fail();
    return true;
  }

  int descriptor() const { return descriptor_; }

  void drain() const {
    alignas(inotify_event) char buffer[4096];
    while (::read(descriptor_, buffer, sizeof buffer) > 0) {
    }
  }

 private:
  static bool fail() {
    set_last_error_from_errno();
    return false;
  }

  int descriptor_ = -1;
};

std::optional<bool> is_signalled(handle_t handle, details::event_kind kind) {
  if (kind == details::event_kind::named) return details::read_named_state(handle);
  pollfd readable{static_cast<int>(handle), POLLIN, 0};
  const int result = ::poll(&readable, 1, 0);
  if (result < 0) {
    set_last_error_from_errno();
    return std::nullopt;
  }
  return result > 0;
}

int poll_timeout(uint32_t milliseconds, clock::time_point deadline) {
  if (milliseconds == infinite) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now()).count();
  return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

}  // namespace

uint32_t wait_for_multiple_objects(uint32_t count, const handle_t* handles, uint32_t milliseconds) {
  if (handles == nullptr || count == 0 || count > maximum_wait_objects) {
    set_last_error(error_invalid_parameter);
    return wait_failed;
  }
  std::vector<details::event_kind> kinds;
  for (uint32_t i = 0; i < count; ++i) {
    const auto kind = details::find_event(handles[i]);
    if (!kind) {
      set_last_error(error_invalid_handle);
      return wait_failed;
    }
    kinds.push_back(*kind);
  }

  named_watches watches;
  std::vector<pollfd> sleepers;
  if (milliseconds != 0) {
    for (uint32_t i = 0; i < count; ++i) {
      if (kinds[i] == details::event_kind::unnamed) {
        sleepers.push_back({static_cast<int>(handles[i]), POLLIN, 0});
      } else if (!watches.add(handles[i])) {
        return wait_failed;
      }
    }
    if (watches.descriptor() >= 0) sleepers.push_back({watches.descriptor(), POLLIN, 0});
  }

  const auto deadline = clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    for (uint32_t i = 0; i < count; ++i) {
      const auto signalled = is_signalled(handles[i], kinds[i]);
      if (!signalled) return wait_failed;
      if (*signalled) return wait_object_0 + i;
    }
    const int timeout = poll_timeout(milliseconds, deadline);
    if (timeout == 0) return wait_timeout;
    if (::poll(sleepers.data(), sleepers.size(), timeout) < 0 && errno != EINTR) {
      set_last_error_from_errno();
      return wait_failed;
    }
    if (watches.descriptor() >= 0) watches.drain();
  }
}

uint32_t wait_for_single_object(handle_t handle, uint32_t milliseconds) {
  return wait_for_multiple_objects(1, &handle, milliseconds);
}

}  // namespace winapi
