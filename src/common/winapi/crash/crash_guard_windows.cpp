#include <windows.h>

#include <atomic>

#include "common/winapi/crash/crash_guard.h"

namespace winapi::crash_guard {

namespace {

// Thread ids are never 0.
std::atomic<DWORD> owner{0};

}  // namespace

bool claim() {
  const DWORD self = ::GetCurrentThreadId();
  for (;;) {
    DWORD expected = 0;
    if (owner.compare_exchange_strong(expected, self)) return true;
    if (expected == self) return false;
    ::Sleep(1);
  }
}

void release() { owner.store(0); }

}  // namespace winapi::crash_guard
