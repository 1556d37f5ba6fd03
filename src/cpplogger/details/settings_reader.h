#pragma once
// The logger's XML settings file: reading with defaults, and forcing values into range.
#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "cpplogger/settings.h"

namespace cpplogger::details {

// A settings file that names no valid level.
class internal_logger_exception : public std::exception {
 public:
  explicit internal_logger_exception(std::u16string_view message);
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// The settings of the file at path, not yet forced into range. A missing, oversized or
// malformed file yields the defaults (with a debugger message); so does a missing
// element or attribute (silently). Throws internal_logger_exception for a bad level.
logger_settings read_settings(const std::u16string& path);

// Why read_settings gives the defaults instead of the settings of the existing file at
// path (its size, its XML, what is missing, a bad level); empty when the file is used.
std::u16string settings_file_problem(const std::u16string& path);

// Called for every forced field with its attribute name, old and new value.
using range_report =
    std::function<void(std::u16string_view attribute, std::u16string_view old_value, std::u16string_view new_value)>;

logger_settings force_into_range(logger_settings settings, const range_report& report);

}  // namespace cpplogger::details
