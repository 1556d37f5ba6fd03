#pragma once
// What a fault tells about itself, as EXCEPTION_POINTERS gives it.
//
// Windows: the records are copied out of the system's EXCEPTION_POINTERS, which `native`
// points to for MiniDumpWriteDump; data_address is ExceptionInformation[1] of an access
// violation or in-page error (the memory address accessed).
//
// Linux stand-in, from a fatal signal:
//   ExceptionCode    = the signal number
//   ExceptionAddress = the faulting instruction: the program counter of the signal context
//   ExceptionFlags   = si_code (for example SEGV_MAPERR 1, SEGV_ACCERR 2)
//   data_address     = si_addr for SIGSEGV and SIGBUS: the memory address accessed
// Linux has no chained records; there is always exactly one.
#include <cstdint>
#include <optional>

#ifdef _WIN32
struct _EXCEPTION_POINTERS;
#else
#include <signal.h>
#include <ucontext.h>
#endif

namespace winapi {

struct exception_record {
  uint32_t exception_code = 0;
  uint32_t exception_flags = 0;
  uintptr_t exception_address = 0;
  std::optional<uintptr_t> data_address;
  const exception_record* chained = nullptr;  // the record of the exception this one was raised in
};

struct exception_pointers {
  exception_record record;
#ifdef _WIN32
  const _EXCEPTION_POINTERS* native = nullptr;
#else
  const siginfo_t* signal_info = nullptr;
  const ucontext_t* context = nullptr;  // the faulting thread's registers
#endif
};

}  // namespace winapi
