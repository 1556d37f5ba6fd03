#pragma once
// Stand-in for EXCEPTION_POINTERS: what a fatal signal tells about the fault.
//   ExceptionCode    = the signal number
//   ExceptionAddress = si_addr: the address that faulted (for SIGSEGV and SIGBUS the
//                      memory address accessed, for SIGILL and SIGFPE the instruction)
//   ExceptionFlags   = si_code (for example SEGV_MAPERR 1, SEGV_ACCERR 2)
// Linux has no chained records; there is always exactly one.
#include <signal.h>
#include <ucontext.h>

#include <cstdint>

namespace winapi {

struct exception_record {
  uint32_t exception_code = 0;
  uint32_t exception_flags = 0;
  uintptr_t exception_address = 0;
};

struct exception_pointers {
  exception_record record;
  const siginfo_t* signal_info = nullptr;
  const ucontext_t* context = nullptr;  // the faulting thread's registers
};

}  // namespace winapi
