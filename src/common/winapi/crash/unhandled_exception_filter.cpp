#include "common/winapi/crash/unhandled_exception_filter.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "common/winapi/crash/crash_guard.h"
#include "common/winapi/crash/crash_watchdog.h"
#include "common/winapi/process/last_error.h"
#include "error_lib/win32_exception.h"

namespace winapi {

namespace {

constexpr int fatal_signals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};

// Room for the report: text building, the logger and its history archive.
constexpr size_t alternate_stack_size = 1 << 20;

std::atomic<top_level_exception_filter> installed_filter{nullptr};

[[noreturn]] void fail(const char* call) {
  set_last_error_from_errno();
  throw win32::exception(call);
}

[[noreturn]] void end_process_as(int signal_number) {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  ::sigaction(signal_number, &default_action, nullptr);
  sigset_t signals;
  ::sigemptyset(&signals);
  ::sigaddset(&signals, signal_number);
  ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
  ::raise(signal_number);
  ::_exit(128 + signal_number);
}

uintptr_t instruction_address(const ucontext_t& context) {
#if defined(__x86_64__)
  return static_cast<uintptr_t>(context.uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return static_cast<uintptr_t>(context.uc_mcontext.pc);
#endif
}

void on_fatal_signal(int signal_number, siginfo_t* info, void* context) {
  if (!crash_guard::claim()) end_process_as(signal_number);
  // The filter re-arms it for the report once the dump is written.
  const crash_watchdog::time_limits limits = crash_watchdog::current_time_limits();
  crash_watchdog::arm(limits.dump_seconds + limits.report_seconds);
  exception_pointers pointers;
  pointers.record.exception_code = static_cast<uint32_t>(signal_number);
  pointers.record.exception_flags = static_cast<uint32_t>(info->si_code);
  pointers.record.exception_address = instruction_address(*static_cast<const ucontext_t*>(context));
  if (signal_number == SIGSEGV || signal_number == SIGBUS) {
    pointers.record.data_address = reinterpret_cast<uintptr_t>(info->si_addr);
  }
  pointers.signal_info = info;
  pointers.context = static_cast<const ucontext_t*>(context);
  if (const top_level_exception_filter filter = installed_filter.load()) filter(pointers);
  end_process_as(signal_number);
}

// The mapping stays for the life of the process; a second installation reuses it.
void use_alternate_stack() {
  static void* base = nullptr;
  const size_t guard = static_cast<size_t>(::getpagesize());
  if (base == nullptr) {
    void* mapping = ::mmap(nullptr, guard + alternate_stack_size, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED) fail("mmap");
    // An overflow of the handler itself hits the guard page instead of foreign memory.
    if (::mprotect(mapping, guard, PROT_NONE) != 0) {
      const int failure = errno;
      ::munmap(mapping, guard + alternate_stack_size);
      errno = failure;
      fail("mprotect");
    }
    base = mapping;
  }
  stack_t stack{};
  stack.ss_sp = static_cast<char*>(base) + guard;
  stack.ss_size = alternate_stack_size;
  if (::sigaltstack(&stack, nullptr) != 0) fail("sigaltstack");
}

}  // namespace

void set_unhandled_exception_filter(top_level_exception_filter filter) {
  use_alternate_stack();
  installed_filter.store(filter);
  struct sigaction action {};
  action.sa_sigaction = on_fatal_signal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  // A fault inside the handler takes the default action at once.
  ::sigemptyset(&action.sa_mask);
  for (const int signal_number : fatal_signals) ::sigaddset(&action.sa_mask, signal_number);
  for (const int signal_number : fatal_signals) {
    if (::sigaction(signal_number, &action, nullptr) != 0) fail("sigaction");
  }
}

}  // namespace winapi
