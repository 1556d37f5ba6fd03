#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <vector>

#include "support/process_resources.h"

namespace test_support {

namespace {

// The system's handle list (NtQuerySystemInformation, class 64), as ntdll lays it out.
constexpr ULONG system_extended_handle_information = 64;
constexpr LONG status_info_length_mismatch = static_cast<LONG>(0xC0000004);

struct handle_entry {
  void* object;
  ULONG_PTR process_id;
  ULONG_PTR handle;
  ULONG granted_access;
  USHORT creator_back_trace_index;
  USHORT object_type_index;
  ULONG attributes;
  ULONG reserved;
};

struct handle_list {
  ULONG_PTR count;
  ULONG_PTR reserved;
  handle_entry entries[1];
};

using query_system_information = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

}  // namespace

// A snapshot lists the threads of every process; 0 when it cannot be taken.
size_t threads_of_this_process() {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
  }
  ::CloseHandle(snapshot);
  return count;
}

// GetProcessHandleCount is the documented call, but wine 8 answers 0 to it; the system's
// handle list, which both give, is counted instead. 0 when it cannot be read.
size_t open_handles_of_this_process() {
  const auto query = reinterpret_cast<query_system_information>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  std::vector<char> buffer(1 << 16);
  LONG status;
  while ((status = query(system_extended_handle_information, buffer.data(), static_cast<ULONG>(buffer.size()),
                         nullptr)) == status_info_length_mismatch) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  const auto* list = reinterpret_cast<const handle_list*>(buffer.data());
  size_t count = 0;
  for (ULONG_PTR i = 0; i < list->count; ++i) {
    if (list->entries[i].process_id == ::GetCurrentProcessId()) ++count;
  }
  return count;
}

}  // namespace test_support
