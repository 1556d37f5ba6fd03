#pragma once
// Where named events live: one state file per event in a machine-wide directory,
// FERROWICK_EVENTS_DIR or /dev/shm/ferrowick-events. The file's first byte is '1' while
// the event is set; an empty file or any other byte means not set.
#include <optional>
#include <string>

#include "common/winapi/process/handle.h"

namespace winapi::details {

std::string events_directory();

// The state file of the event name. Every byte of the UTF-8 name other than ASCII
// letters, digits, '-' and '_' is written as "%XX", so no name can leave the directory.
// Nothing (last error 123, ERROR_INVALID_NAME) for an empty or malformed name.
std::optional<std::string> named_event_path(const std::u16string& name);

// State of an open state file; nothing with the last error set when it cannot be read.
std::optional<bool> read_named_state(handle_t file);
// Marks the event set with one in-place write, which wakes inotify watchers.
bool set_named_state(handle_t file);

}  // namespace winapi::details
