// The static MinGW runtime keeps thread_local objects in blocks of its emulated TLS and
// runs their destructors from a winpthreads key destructor; winpthreads calls key
// destructors in the order the keys were made, and the emulated TLS makes its key (which
// frees the blocks) at the first thread_local access. Without this, a thread's
// thread_local destructors ran on freed blocks and corrupted the heap. Registering one
// destructor before any thread_local is touched makes the runtime's destructor key first.
// The build keeps this object in every program (-u ferrowick_order_thread_local_destructors).

extern "C" int __cxa_thread_atexit(void (*destructor)(void*), void* object, void* dso_handle);

namespace {

void nothing_to_destroy(void*) {}

}  // namespace

extern "C" [[gnu::constructor(101)]] void ferrowick_order_thread_local_destructors() {
  __cxa_thread_atexit(nothing_to_destroy, nullptr, nullptr);
}
