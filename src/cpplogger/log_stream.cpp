#include "cpplogger/log_stream.h"

#include <exception>

#include "common/winapi/debug_output.h"

namespace cpplogger {

log_stream::~log_stream() {
  if (text_.empty()) return;
  try {
    log(level_, text_.str());
  } catch (const std::exception& failure) {
    winapi::output_debug_string_a(failure.what());
    std::terminate();
  } catch (...) {
    winapi::output_debug_string_a("An unknown exception was caught");
    std::terminate();
  }
}

}  // namespace cpplogger
