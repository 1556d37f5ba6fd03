#pragma once
// Stand-ins for the Windows event calls. An unnamed event is an eventfd; a named event
// is a small state file in a machine-wide directory (see named_event_store.h), waited on
// through inotify, so events of other processes wake a waiter without polling. All
// events here are manual-reset.
#include <cstdint>
#include <string>

#include "common/winapi/process/handle.h"

namespace winapi {

constexpr uint32_t synchronize = 0x100000;
constexpr uint32_t event_modify_state = 0x2;
constexpr uint32_t event_all_access = 0x1F0003;

// CreateEventW(no attributes, manual reset, initial_state, no name).
handle_t create_event(bool initial_state);

// CreateEventW with a name: creates the named event, or opens an existing one with the
// last error set to 183 (ERROR_ALREADY_EXISTS) and its state untouched. Returns 0 on failure.
handle_t create_named_event(const std::u16string& name, bool initial_state);

// CreateEventW for an event that must be new and that only its makers may set: SYSTEM,
// Administrators and the creating user may wait on it and set it, nobody else may open
// it (Linux: the state file has mode 0600, and an events directory that is a link, is
// another user's or that others may write to fails with 5). A taken name fails (0) with
// 183 (ERROR_ALREADY_EXISTS) and leaves the existing event alone. Not set at first.
handle_t create_guarded_named_event(const std::u16string& name);

// OpenEventW: a missing name fails with 2. Without event_modify_state the handle can
// only be waited on; setting it fails with 5. Returns 0 on failure.
handle_t open_event(uint32_t access, const std::u16string& name);

// Removes the name: the service's release of its event. Handles already open stay
// usable; later opens fail with 2.
bool delete_named_event(const std::u16string& name);

bool set_event(handle_t event);

constexpr uint32_t infinite = 0xFFFFFFFF;
constexpr uint32_t wait_object_0 = 0;
constexpr uint32_t wait_abandoned_0 = 0x80;
constexpr uint32_t wait_timeout = 0x102;
constexpr uint32_t wait_failed = 0xFFFFFFFF;
constexpr uint32_t maximum_wait_objects = 64;

// WaitForSingleObject / WaitForMultipleObjects (wait for any): wait_object_0 + the
// lowest signalled index, wait_timeout, or wait_failed with the last error set.
uint32_t wait_for_single_object(handle_t handle, uint32_t milliseconds);
uint32_t wait_for_multiple_objects(uint32_t count, const handle_t* handles, uint32_t milliseconds);

}  // namespace winapi
