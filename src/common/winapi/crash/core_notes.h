#pragma once
// The note segment of an ELF core file: what gdb needs besides the memory to show the
// crashed thread (its registers and signal), the process, its auxiliary vector (where
// the program and the loader lie) and its mapped files. Built without allocating into a
// caller's buffer.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/winapi/crash/exception_pointers.h"
#include "common/winapi/crash/memory_map.h"

namespace winapi::core_notes {

class note_buffer {
 public:
  note_buffer(char* data, size_t capacity) : data_(data), capacity_(capacity) {}

  void add(uint32_t type, const void* description, size_t size);
  void begin(uint32_t type);
  void append(const void* bytes, size_t size);
  void end();

  const char* data() const { return data_; }
  size_t size() const { return size_; }
  bool overflowed() const { return overflowed_; }

 private:
  void pad();

  char* data_;
  size_t capacity_;
  size_t size_ = 0;
  size_t open_note_ = 0;
  bool overflowed_ = false;
};

// NT_PRSTATUS and NT_FPREGSET of the faulting thread from its signal context, and
// NT_SIGINFO; gdb's backtrace starts at the faulting instruction.
void add_thread_notes(note_buffer& notes, const exception_pointers& pointers);

// NT_PRPSINFO, NT_AUXV and NT_FILE (every file-backed region of the map).
void add_process_notes(note_buffer& notes, std::span<const memory_region> regions);

}  // namespace winapi::core_notes
