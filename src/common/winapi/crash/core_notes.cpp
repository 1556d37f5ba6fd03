#include "common/winapi/crash/core_notes.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/procfs.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#if defined(__x86_64__)
#include <asm/prctl.h>
#endif

namespace winapi::core_notes {

namespace {

constexpr char note_owner[] = "CORE";
constexpr size_t note_alignment = 4;

size_t aligned(size_t size) { return (size + note_alignment - 1) & ~(note_alignment - 1); }

// Reads a small /proc file whole; the count read, 0 when it cannot be read.
size_t read_proc_file(const char* path, char* buffer, size_t size) {
  const int file = ::open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  size_t used = 0;
  while (used < size) {
    const ssize_t count = ::read(file, buffer + used, size - used);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    used += static_cast<size_t>(count);
  }
  ::close(file);
  return used;
}

#if defined(__x86_64__)

void copy_registers(const ucontext_t& context, elf_prstatus& status) {
  const greg_t* g = context.uc_mcontext.gregs;
  user_regs_struct regs{};
  regs.r15 = g[REG_R15];
  regs.r14 = g[REG_R14];
  regs.r13 = g[REG_R13];
  regs.r12 = g[REG_R12];
  regs.rbp = g[REG_RBP];
  regs.rbx = g[REG_RBX];
  regs.r11 = g[REG_R11];
  regs.r10 = g[REG_R10];
  regs.r9 = g[REG_R9];
  regs.r8 = g[REG_R8];
  regs.rax = g[REG_RAX];
  regs.rcx = g[REG_RCX];
  regs.rdx = g[REG_RDX];
  regs.rsi = g[REG_RSI];
  regs.rdi = g[REG_RDI];
  regs.orig_rax = ~0ULL;
  regs.rip = g[REG_RIP];
  regs.eflags = g[REG_EFL];
  regs.rsp = g[REG_RSP];
  // REG_CSGSFS holds cs, gs, fs and (since Linux 4.8) ss, 16 bits each.
  const auto selectors = static_cast<unsigned long long>(g[REG_CSGSFS]);
  regs.cs = selectors & 0xffff;
  regs.gs = (selectors >> 16) & 0xffff;
  regs.fs = (selectors >> 32) & 0xffff;
  regs.ss = (selectors >> 48) & 0xffff;
  unsigned long fs_base = 0;
  if (::syscall(SYS_arch_prctl, ARCH_GET_FS, &fs_base) == 0) regs.fs_base = fs_base;
  static_assert(sizeof regs == sizeof status.pr_reg);
  std::memcpy(&status.pr_reg, &regs, sizeof regs);
  status.pr_fpvalid = context.uc_mcontext.fpregs != nullptr;
}

void add_floating_point_registers(note_buffer& notes, const ucontext_t& context) {
  if (context.uc_mcontext.fpregs == nullptr) return;
  static_assert(sizeof(elf_fpregset_t) == sizeof(*context.uc_mcontext.fpregs));
  notes.add(NT_FPREGSET, context.uc_mcontext.fpregs, sizeof(elf_fpregset_t));
}

#elif defined(__aarch64__)

void copy_registers(const ucontext_t& context, elf_prstatus& status) {
  user_regs_struct regs{};
  std::memcpy(regs.regs, context.uc_mcontext.regs, sizeof regs.regs);
  regs.sp = context.uc_mcontext.sp;
  regs.pc = context.uc_mcontext.pc;
  regs.pstate = context.uc_mcontext.pstate;
  static_assert(sizeof regs == sizeof status.pr_reg);
  std::memcpy(&status.pr_reg, &regs, sizeof regs);
}

// The floating-point state lies in the context's extension records; gdb's backtrace
// does not need it.
void add_floating_point_registers(note_buffer&, const ucontext_t&) {}

#else
#error "no register layout for crash dumps on this architecture"
#endif

void add_process_information(note_buffer& notes) {
  elf_prpsinfo info{};
  info.pr_sname = 'R';
  info.pr_uid = ::getuid();
  info.pr_gid = ::getgid();
  info.pr_pid = ::getpid();
  info.pr_ppid = ::getppid();
  info.pr_pgrp = ::getpgrp();
  info.pr_sid = ::getsid(0);
  char command_line[sizeof info.pr_psargs] = {};
  const size_t length = read_proc_file("/proc/self/cmdline", command_line, sizeof command_line - 1);
  const char* program = command_line;
  for (size_t i = 0; i < length && command_line[i] != '\0'; ++i) {
    if (command_line[i] == '/') program = command_line + i + 1;
  }
  for (size_t i = 0; i + 1 < sizeof info.pr_fname && program[i] != '\0'; ++i) info.pr_fname[i] = program[i];
  for (size_t i = 0; i + 1 < length; ++i) {
    if (command_line[i] == '\0') command_line[i] = ' ';
  }
  std::memcpy(info.pr_psargs, command_line, sizeof info.pr_psargs - 1);
  notes.add(NT_PRPSINFO, &info, sizeof info);
}

void add_auxiliary_vector(note_buffer& notes) {
  static char vector[4096];
  const size_t length = read_proc_file("/proc/self/auxv", vector, sizeof vector);
  if (length > 0) notes.add(NT_AUXV, vector, length);
}

// Count and page size, then start, end and page offset per file region, then the names.
void add_mapped_files(note_buffer& notes, std::span<const memory_region> regions) {
  uint64_t count = 0;
  for (const memory_region& region : regions) count += region.is_file();
  const uint64_t page_size = static_cast<uint64_t>(::getpagesize());
  notes.begin(NT_FILE);
  notes.append(&count, sizeof count);
  notes.append(&page_size, sizeof page_size);
  for (const memory_region& region : regions) {
    if (!region.is_file()) continue;
    const uint64_t entry[3] = {region.start, region.end, region.file_offset / page_size};
    notes.append(entry, sizeof entry);
  }
  for (const memory_region& region : regions) {
    if (!region.is_file()) continue;
    notes.append(region.path.data(), region.path.size());
    notes.append("", 1);
  }
  notes.end();
}

}  // namespace

void note_buffer::add(uint32_t type, const void* description, size_t size) {
  begin(type);
  append(description, size);
  end();
}

void note_buffer::begin(uint32_t type) {
  open_note_ = size_;
  const Elf64_Nhdr header{sizeof note_owner, 0, type};
  append(&header, sizeof header);
  append(note_owner, sizeof note_owner);
  pad();
}

void note_buffer::append(const void* bytes, size_t size) {
  if (overflowed_ || size > capacity_ - size_) {
    overflowed_ = true;
    return;
  }
  std::memcpy(data_ + size_, bytes, size);
  size_ += size;
}

void note_buffer::end() {
  if (overflowed_) return;
  const size_t description_start = open_note_ + sizeof(Elf64_Nhdr) + aligned(sizeof note_owner);
  Elf64_Nhdr header;
  std::memcpy(&header, data_ + open_note_, sizeof header);
  header.n_descsz = static_cast<Elf64_Word>(size_ - description_start);
  std::memcpy(data_ + open_note_, &header, sizeof header);
  pad();
}

void note_buffer::pad() {
  static constexpr char zeros[note_alignment] = {};
  append(zeros, aligned(size_) - size_);
}

void add_thread_notes(note_buffer& notes, const exception_pointers& pointers) {
  elf_prstatus status{};
  const siginfo_t* info = pointers.signal_info;
  if (info != nullptr) {
    status.pr_info.si_signo = info->si_signo;
    status.pr_info.si_code = info->si_code;
    status.pr_info.si_errno = info->si_errno;
    status.pr_cursig = static_cast<short>(info->si_signo);
  }
  status.pr_pid = static_cast<pid_t>(::syscall(SYS_gettid));
  status.pr_ppid = ::getppid();
  status.pr_pgrp = ::getpgrp();
  status.pr_sid = ::getsid(0);
  if (pointers.context != nullptr) copy_registers(*pointers.context, status);
  notes.add(NT_PRSTATUS, &status, sizeof status);
  if (pointers.context != nullptr) add_floating_point_registers(notes, *pointers.context);
  if (info != nullptr) notes.add(NT_SIGINFO, info, sizeof *info);
}

void add_process_notes(note_buffer& notes, std::span<const memory_region> regions) {
  add_process_information(notes);
  add_auxiliary_vector(notes);
  add_mapped_files(notes, regions);
}

}  // namespace winapi::core_notes
