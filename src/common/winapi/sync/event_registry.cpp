#include "common/winapi/sync/event_registry.h"

#include <mutex>
#include <unordered_map>

namespace winapi::details {

namespace {

struct registry {
  std::mutex mutex;
  std::unordered_map<handle_t, event_kind> kinds;
};

// Never destroyed: handles may still be closed by static destructors at process exit.
registry& instance() {
  static registry* const events = new registry;
  return *events;
}

}  // namespace

void register_event(handle_t handle, event_kind kind) {
  auto& events = instance();
  const std::lock_guard lock(events.mutex);
  events.kinds[handle] = kind;
}

std::optional<event_kind> find_event(handle_t handle) {
  auto& events = instance();
  const std::lock_guard lock(events.mutex);
  const auto found = events.kinds.find(handle);
  if (found == events.kinds.end()) return std::nullopt;
  return found->second;
}

void forget_event(handle_t handle) {
  auto& events = instance();
  const std::lock_guard lock(events.mutex);
  events.kinds.erase(handle);
}

}  // namespace winapi::details
