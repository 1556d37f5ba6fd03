#pragma once
// MiniDumpWriteDump with MiniDumpWithFullMemory of the own process, the faulting thread
// named by the exception pointers.
//
// Linux stand-in: an ELF core file of the own process, which gdb opens as
// `gdb <program> <dump>`. It holds
//   - notes: the faulting thread's registers from the signal context (NT_PRSTATUS,
//     NT_FPREGSET, NT_SIGINFO), NT_PRPSINFO, NT_AUXV, and NT_FILE for the mapped files;
//     other threads are not recorded;
//   - a PT_LOAD segment with the contents of every readable mapping. Anonymous pages the
//     process never touched are left as holes of the sparse file (they read as zeros);
//     [vvar], [vsyscall], device mappings and mappings larger than
//     largest_dumped_mapping (reservations such as a sanitizer's shadow memory) are left out.
// Everything here is async-signal-safe: raw system calls (open, read, pwrite, ftruncate,
// close) and static buffers, no allocation and no locks.
#include <cstdint>

#include "common/winapi/crash/exception_pointers.h"
#include "common/winapi/process/handle.h"

namespace winapi {

constexpr uint64_t largest_dumped_mapping = uint64_t{64} << 30;

// CreateFileW(CREATE_ALWAYS) of a UTF-8 path: creates or empties the file (Linux: readable
// by its owner only, the dump holds the whole memory). invalid_handle_value on failure,
// error set to the Windows value.
handle_t create_dump_file(const char* path, uint32_t& error);

// False on failure, error set to the Windows value; the file may then hold part of the
// dump. A dump still unfinished after budget_seconds is given up with 1460
// (ERROR_TIMEOUT), so a slow disk cannot take the report's time.
bool write_dump(handle_t file, const exception_pointers& pointers, unsigned budget_seconds, uint32_t& error);

void close_dump_file(handle_t file);

}  // namespace winapi
