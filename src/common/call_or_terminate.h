#pragma once
// For code that must not let an exception escape (destructors, the exception trace
// line): an exception sends its text to the debugger output and ends the process.
#include <exception>
#include <utility>

#include "common/winapi/process/debug_output.h"

namespace common {

template <typename Call>
void call_or_terminate(Call&& call) noexcept {
  try {
    std::forward<Call>(call)();
  } catch (const std::exception& failure) {
    winapi::output_debug_string_a(failure.what());
    std::terminate();
  } catch (...) {
    winapi::output_debug_string_a("An unknown exception was caught");
    std::terminate();
  }
}

}  // namespace common
