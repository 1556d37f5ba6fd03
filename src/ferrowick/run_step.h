#pragma once
// Named run steps: any exception that escapes a step becomes one break carrying the
// exit code and the message to log.
#include <cstdint>
#include <exception>
#include <string>
#include <system_error>

#include "common/text.h"
#include "common/u16_stream.h"

struct break_working_process_t {
  int32_t code;
  std::u16string message;  // logged at FATAL level when logging is up; may be empty
};

// The step name begins with a blank: it follows "Error" or "Unknown error" directly.
template <typename Body>
void run_step(const std::u16string& step_name, Body&& body) {
  try {
    body();
  } catch (const std::system_error& e) {
    throw break_working_process_t{-1, common::concat(u"Error", step_name, u": [", e.code().category().name(), u": ",
                                                     e.code().value(), u"] ", e.what())};
  } catch (const break_working_process_t&) {
    throw;
  } catch (const std::exception& e) {
    throw break_working_process_t{-1, common::concat(u"Error", step_name, u": ", e.what())};
  } catch (...) {
    throw break_working_process_t{-1, common::concat(u"Unknown error", step_name)};
  }
}
