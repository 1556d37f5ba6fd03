#include "common/winapi/sync/thread_exists.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "common/winapi/process/last_error.h"

namespace winapi {

bool thread_exists(uint32_t thread_id) {
  // Signal 0 only checks; restricting the lookup to this process's thread group keeps a
  // reused id of another process from counting.
  if (::syscall(SYS_tgkill, ::getpid(), static_cast<pid_t>(thread_id), 0) == 0 || errno == EPERM) return true;
  set_last_error(error_invalid_parameter);
  return false;
}

}  // namespace winapi
