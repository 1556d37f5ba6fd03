#pragma once
// Which descriptors are events, and of which kind: the part of the Windows handle table
// that waits need. Entries live from the event's creation to its CloseHandle.
#include <optional>

#include "common/winapi/process/handle.h"

namespace winapi::details {

enum class event_kind {
  unnamed,  // eventfd: readable while set
  named,    // state file of a named event
};

void register_event(handle_t handle, event_kind kind);
std::optional<event_kind> find_event(handle_t handle);
void forget_event(handle_t handle);

}  // namespace winapi::details
