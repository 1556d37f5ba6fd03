#pragma once
// Puts a recording logger in place of the process-wide instance for the lifetime of
// the object, so tests can look at the records that code under test logs.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cpplogger/details/logger_interface.h"

namespace test_support {

class log_capture {
 public:
  log_capture();
  ~log_capture();

  std::vector<cpplogger::message> records() const;
  bool contains(std::u16string_view text) const;
  bool contains_prefix(std::u16string_view prefix) const;
  bool contains_substring(std::u16string_view part) const;

 private:
  class recorder;
  std::shared_ptr<recorder> recorder_;
  std::shared_ptr<cpplogger::details::logger_interface> previous_;
};

}  // namespace test_support
