#include "common/winapi/crash/crash_guard.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

namespace winapi::crash_guard {

namespace {

std::atomic<pid_t> owner{0};
static_assert(std::atomic<pid_t>::is_always_lock_free);

}  // namespace

bool claim() {
  const pid_t self = static_cast<pid_t>(::syscall(SYS_gettid));
  for (;;) {
    pid_t expected = 0;
    if (owner.compare_exchange_strong(expected, self)) return true;
    if (expected == self) return false;
    const timespec pause{0, 1000000};
    ::nanosleep(&pause, nullptr);
  }
}

void release() { owner.store(0); }

}  // namespace winapi::crash_guard
