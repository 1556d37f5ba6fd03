#include <atomic>

#include "common/console_control.h"
#include "common/winapi/windows_types.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace console_control {

namespace {

// The handler runs on a thread of its own that the system starts for each event.
HANDLE interrupt_event = nullptr;
std::atomic<bool> interrupted{false};

BOOL WINAPI on_control(DWORD control_type) {
  if (control_type != CTRL_C_EVENT && control_type != CTRL_BREAK_EVENT) return FALSE;
  interrupted.store(true);
  ::SetEvent(interrupt_event);
  return TRUE;
}

}  // namespace

interrupt_listener::interrupt_listener() {
  // Manual reset: a wait that wakes on it must not take the interrupt away from take_interrupts.
  interrupt_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (interrupt_event == nullptr) FW_THROW(win32::exception("CreateEventW"));
  if (!::SetConsoleCtrlHandler(on_control, TRUE)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(interrupt_event);
    ::SetLastError(error);
    FW_THROW(win32::exception("SetConsoleCtrlHandler"));
  }
}

interrupt_listener::~interrupt_listener() {
  ::SetConsoleCtrlHandler(on_control, FALSE);
  ::CloseHandle(interrupt_event);
  interrupt_event = nullptr;
  interrupted.store(false);
}

winapi::handle_t interrupt_listener::wait_handle() const { return winapi::details::from_native(interrupt_event); }

bool interrupt_listener::take_interrupts() const {
  // An interrupt between the two leaves the event set with nothing to take: a waiter
  // wakes once more for nothing, but no interrupt is lost.
  ::ResetEvent(interrupt_event);
  return interrupted.exchange(false);
}

bool standard_error_is_console() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

}  // namespace console_control
