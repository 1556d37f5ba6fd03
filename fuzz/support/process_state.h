#pragma once
// What the targets set up before their first input and empty after each one, so that an
// input frees everything it allocates: libFuzzer then runs LeakSanitizer's full check
// only after an input that really leaks, instead of after almost every one.
namespace fuzz_support {

// This file's LLVMFuzzerInitialize, which every target links through input_scope, calls
// prepare_process before the first input.
//
// Loads the localization library the build made, as
// the worker loads its own at start, and lets this thread log once, which makes the
// logger's stand-by instance and the thread's history buffer and caches.
void prepare_process();

// Held through one input: at its end the logger's history, which keeps every record a
// thread logs until an ERROR dumps it, is emptied.
class input_scope {
 public:
  input_scope() = default;
  ~input_scope();
  input_scope(const input_scope&) = delete;
  input_scope& operator=(const input_scope&) = delete;
};

}  // namespace fuzz_support
