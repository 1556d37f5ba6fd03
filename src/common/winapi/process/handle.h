#pragma once
// Stand-in for the Windows HANDLE and CloseHandle. A handle is a file descriptor: files
// are plain descriptors, events are descriptors the event layer has registered (see
// events.h). 0 and -1 are never valid handles.
#include <cstdint>

namespace winapi {

using handle_t = std::intptr_t;

constexpr handle_t invalid_handle_value = -1;

// A new descriptor as a handle: 0 means "no handle", so a descriptor 0 (standard
// input closed) is moved up. -1 with the last error set when that fails.
int descriptor_off_zero(int descriptor);

// CloseHandle: false with the last error set when the handle cannot be closed.
bool close_handle(handle_t handle);

}  // namespace winapi
