#pragma once
// What the service reads besides the exit code: the run's result lines on standard
// output and a failed run's error on standard error.
#include <ostream>
#include <string>
#include <vector>

#include "common/text.h"
#include "error_lib/application_exception.h"

// Standard output stays in text mode on the service's side: every line ends in CR LF.
constexpr const char* text_mode_line_end = "\r\n";

// False when the lines could not be written (the reader has closed its end).
inline bool write_result_lines(std::ostream& out, const std::vector<std::u16string>& lines) {
  for (const std::u16string& line : lines) {
    out << common::utf16_to_utf8(line) << text_mode_line_end << std::flush;
  }
  return !out.fail();
}

// "application_exception [code: <signed value>]", a line end and the message as it is.
inline void write_application_error(std::ostream& out, const common::application_exception& error) {
  out << "application_exception [code: " << error.code().value() << "]" << text_mode_line_end << error.what()
      << std::flush;
}
