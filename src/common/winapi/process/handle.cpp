#include "common/winapi/process/handle.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/event_registry.h"

namespace winapi {

int descriptor_off_zero(int descriptor) {
  if (descriptor != 0) return descriptor;
  const int moved = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 1);
  if (moved < 0) set_last_error_from_errno();
  ::close(descriptor);
  return moved;
}

bool close_handle(handle_t handle) {
  if (handle <= 0 || handle > INT_MAX) {
    set_last_error(error_invalid_handle);
    return false;
  }
  details::forget_event(handle);
  // Linux releases the descriptor even when close is interrupted; it is never retried.
  if (::close(static_cast<int>(handle)) != 0 && errno != EINTR) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

}  // namespace winapi
