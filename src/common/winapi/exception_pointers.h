#pragma once
// Stand-in for EXCEPTION_POINTERS: what a fatal signal tells about the fault.
//   ExceptionCode    = the signal number
//   ExceptionAddress = the faulting instruction: the program counter of the signal context
//   ExceptionFlags   = si_code (for example SEGV_MAPERR 1, SEGV_ACCERR 2)
//   data_address     = si_addr for SIGSEGV and SIGBUS: the memory address accessed, which
//                      Windows keeps in ExceptionInformation[1] of an access violation
// Linux has no chained records; there is always exactly one.
#include <signal.h>
#include <ucontext.h>

#include <cstdint>
#include <optional>

namespace winapi {

struct exception_record {
  uint32_t exception_code = 0;
  uint32_t exception_flags = 0;
  uintptr_t exception_address = 0;
  std::optional<uintptr_t> data_address;
};

struct exception_pointers {
  exception_record record;
  const siginfo_t* signal_info = nullptr;
  const ucontext_t* context = nullptr;  // the faulting thread's registers
};

}  // namespace winapi
