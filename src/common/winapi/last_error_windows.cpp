#include <cxxabi.h>
#include <windows.h>

#include "common/winapi/last_error.h"

namespace winapi {

namespace {

// MinGW's runtime keeps thread_local objects in storage that one thread-key destructor
// frees at a thread's end, while another key's destructor destroys the objects; the keys'
// destructors run in the order the keys were made, and the storage's key is made at the
// first thread_local touched. Registering a destructor before anything else makes the
// destroying key first, so a thread's objects are destroyed before their storage goes.
// This file is in every program: it holds the last-error calls.
void nothing_to_destroy(void*) {}

struct thread_exit_order {
  thread_exit_order() { __cxxabiv1::__cxa_thread_atexit(nothing_to_destroy, nullptr, nullptr); }
};
__attribute__((init_priority(101))) const thread_exit_order destroy_before_freeing;

}  // namespace

uint32_t get_last_error() { return ::GetLastError(); }

void set_last_error(uint32_t value) { ::SetLastError(value); }

}  // namespace winapi
