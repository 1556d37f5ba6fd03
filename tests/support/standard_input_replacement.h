#pragma once
// Puts a copy of a handle in place of the process's standard input for the object's
// lifetime (no handle: no standard input), whatever standard input the test runner was
// given. Code under test may close the copy it finds there.
#include "common/winapi/process/handle.h"

namespace test_support {

class standard_input_replacement {
 public:
  explicit standard_input_replacement(winapi::handle_t replacement);
  ~standard_input_replacement();
  standard_input_replacement(const standard_input_replacement&) = delete;
  standard_input_replacement& operator=(const standard_input_replacement&) = delete;

 private:
  winapi::handle_t saved_;
};

}  // namespace test_support
