#include "ferrowick/crash_test/crash_test_hook.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "common/crash_handler.h"
#include "common/text.h"
#include "common/winapi/crash/crash_watchdog.h"
#include "common/winapi/process/environment.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_stream.h"

namespace crash_test {

// Below the lowest address Linux ever maps (vm.mmap_min_addr), aligned, and not null, so
// that neither the kernel nor the sanitizers take the write for anything but a fault.
volatile int* const unmapped_address = reinterpret_cast<volatile int*>(uintptr_t{0x1000});

__attribute__((noinline)) void crash_test_hook_fault_here() { *unmapped_address = 1; }

__attribute__((noinline)) void crash_test_hook_trap_here() { __builtin_trap(); }

// The frame stays in use after the call, so the recursion cannot become a loop.
__attribute__((noinline)) int crash_test_hook_recurse(int depth) {
  if (depth < 0) return 0;
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  return crash_test_hook_recurse(depth + 1) + frame[0];
}

namespace {

[[noreturn]] void log_until_the_end(std::atomic<int>& records) {
  for (int record = 0;; ++record) {
    FW_LOG(cpplogger::level_info) << u"main thread record " << record;
    records.fetch_add(1);
  }
}

void fault_in_second_thread() {
  std::atomic<int> records{0};
  std::thread faulting([&] {
    while (records.load() < 100) std::this_thread::yield();
    crash_test_hook_fault_here();
  });
  faulting.detach();
  log_until_the_end(records);
}

[[noreturn]] void fault_in_two_threads() {
  std::atomic<int> ready{0};
  auto fault_together = [&] {
    ready.fetch_add(1);
    while (ready.load() < 2) std::this_thread::yield();
    crash_test_hook_fault_here();
  };
  std::thread first(fault_together);
  std::thread second(fault_together);
  first.join();
  second.join();
  std::abort();
}

// Freeing a block twice that lies next to the top of the heap makes glibc abort with
// the arena's lock held, while a second thread makes it take that lock at all.
[[noreturn]] void double_free_beside_a_thread() {
  winapi::crash_watchdog::set_time_limits({.dump_seconds = 300, .report_seconds = 1});
  std::promise<void> never;
  std::thread waiting([future = never.get_future()] { future.wait(); });
  waiting.detach();
  void* volatile block = std::malloc(64 * 1024 - 64);
  std::free(block);
  std::free(block);
  std::abort();
}

void fault_after_the_dump_budget() {
  winapi::crash_watchdog::set_time_limits({.dump_seconds = 0, .report_seconds = 60});
  crash_test_hook_fault_here();
}

void reinstall_and_fault(const std::u16string& logs_directory) {
  crash_handler::install_crash_handlers(logs_directory + u"/second",
                                        [](const std::u16string&) { std::fputs("second callback\n", stderr); });
  crash_test_hook_fault_here();
}

}  // namespace

void fault_if_requested(const std::u16string& logs_directory) {
  const auto mode = winapi::get_environment_variable("FERROWICK_TEST_CRASH");
  if (!mode) return;
  if (*mode == "segv") crash_test_hook_fault_here();
  if (*mode == "stack") crash_test_hook_recurse(0);
  if (*mode == "trap") crash_test_hook_trap_here();
  if (*mode == "abort") std::abort();
  if (*mode == "thread") fault_in_second_thread();
  if (*mode == "threads") fault_in_two_threads();
  if (*mode == "reinstall") reinstall_and_fault(logs_directory);
  if (*mode == "double_free") double_free_beside_a_thread();
  if (*mode == "dump_budget") fault_after_the_dump_budget();
}

}  // namespace crash_test
