#include <windows.h>

#include <atomic>

#include "common/winapi/crash/crash_watchdog.h"
#include "error_lib/win32_exception.h"

namespace winapi::crash_watchdog {

namespace {

// The tick count at which the process ends; 0 while unarmed.
std::atomic<ULONGLONG> deadline{0};
HANDLE rearmed = nullptr;

DWORD WINAPI watch(void*) {
  for (;;) {
    DWORD wait = INFINITE;
    if (const ULONGLONG end = deadline.load(); end != 0) {
      const ULONGLONG now = ::GetTickCount64();
      if (now >= end) ::TerminateProcess(::GetCurrentProcess(), ERROR_TIMEOUT);
      wait = static_cast<DWORD>(end - now);
    }
    ::WaitForSingleObject(rearmed, wait);
  }
}

}  // namespace

void prepare() {
  if (rearmed != nullptr) return;
  HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) throw win32::exception("CreateEventW");
  HANDLE thread = ::CreateThread(nullptr, 64 << 10, watch, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(event);
    ::SetLastError(error);
    throw win32::exception("CreateThread");
  }
  ::CloseHandle(thread);
  rearmed = event;
}

void arm(unsigned seconds) {
  // Like the Linux alarm, 0 does not mean "never".
  deadline.store(::GetTickCount64() + ULONGLONG{seconds == 0 ? 1 : seconds} * 1000);
  if (rearmed != nullptr) ::SetEvent(rearmed);
}

}  // namespace winapi::crash_watchdog
