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
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/winapi/crash/exception_pointers.h"
#include "common/winapi/process/handle.h"

namespace winapi {

constexpr uint64_t largest_dumped_mapping = uint64_t{64} << 30;

// The longest file name create_dump_file takes.
constexpr size_t longest_dump_file_name = 64;

// Readies the dump folder while the process is healthy, so that the crash allocates
// nothing: the folder's path in the system's form with room for a file name (Windows: the
// "\\?\" form when the file's path needs it, so any folder length works) and the new
// file's access list. An empty folder leaves dumps without a place. Raises
// win32::exception naming the call when it cannot be done.
void prepare_dump_folder(std::u16string_view folder);

// Creates a new file of that name (ASCII, up to longest_dump_file_name) in the prepared
// folder, which only its owner, LocalSystem and Administrators may open (Windows: a
// protected DACL of these three, nothing inherited; Linux: mode 600). An existing file or
// link of that name is left alone (80, ERROR_FILE_EXISTS): the dump holds the whole memory
// and must not go into a file someone else made. invalid_handle_value on failure, error
// set to the Windows value (3 without a prepared folder). Allocates nothing.
handle_t create_dump_file(std::string_view file_name, uint32_t& error);

// False on failure, error set to the Windows value; the file may then hold part of the
// dump. A dump still unfinished after budget_seconds is given up with 1460
// (ERROR_TIMEOUT), so a slow disk cannot take the report's time.
bool write_dump(handle_t file, const exception_pointers& pointers, unsigned budget_seconds, uint32_t& error);

void close_dump_file(handle_t file);

}  // namespace winapi
