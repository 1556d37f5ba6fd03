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

// "Error" + step name + ": [category: value] " + the error's text. The step name begins
// with a blank: it follows "Error" or "Unknown error" directly.
inline std::u16string step_error_message(const std::u16string& step_name, const std::system_error& e) {
  return common::concat(u"Error", step_name, u": [", e.code().category().name(), u": ", e.code().value(), u"] ",
                        e.what());
}

template <typename Body>
void run_step(const std::u16string& step_name, Body&& body) {
  try {
    body();
  } catch (const std::system_error& e) {
    throw break_working_process_t{-1, step_error_message(step_name, e)};
  } catch (const break_working_process_t&) {
    throw;
  } catch (const std::exception& e) {
    throw break_working_process_t{-1, common::concat(u"Error", step_name, u": ", e.what())};
  } catch (...) {
    throw break_working_process_t{-1, common::concat(u"Unknown error", step_name)};
  }
}
