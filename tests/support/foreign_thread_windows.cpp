#include <windows.h>

#include <stdexcept>
#include <string>

#include "support/foreign_thread.h"

namespace test_support {

// The test program itself, started suspended: its main thread exists but never runs.
foreign_thread::foreign_thread() {
  wchar_t program[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetModuleFileNameW failed");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(program, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &started)) {
    throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
  }
  ::CloseHandle(started.hThread);
  id_ = started.dwThreadId;
  process_ = reinterpret_cast<uintptr_t>(started.hProcess);
}

foreign_thread::~foreign_thread() {
  const auto process = reinterpret_cast<HANDLE>(process_);
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, INFINITE);
  ::CloseHandle(process);
}

}  // namespace test_support
