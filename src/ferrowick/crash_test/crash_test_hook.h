#pragma once
// Compiled only into ferrowick-crash-test-worker, the worker the crash tests run: the
// shipped worker has no way to be crashed on purpose.
#include <string>

namespace crash_test {

// Faults the way FERROWICK_TEST_CRASH names; nothing when it is not set:
//   segv    write to an unmapped address in crash_test_hook_fault_here
//   stack   endless recursion in crash_test_hook_recurse
//   trap    an illegal instruction in crash_test_hook_fault_here
//   abort   std::abort()
//   thread  a second thread faults while the main thread logs without pause
//   threads two threads fault at the same moment
//   reinstall  installs the crash handlers again with another directory and a callback
//           that writes to standard error, then faults as segv
//   double_free  frees a block twice while a second thread runs; the report may wait
//           for ever, and the crash watchdog is shortened to 1 s
//   dump_budget  faults as segv with a dump budget of 0 s
void fault_if_requested(const std::u16string& logs_directory);

}  // namespace crash_test
