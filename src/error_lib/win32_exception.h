#pragma once
// Failure of a system call: the Windows error value and a text naming the call.
#include <cstdint>
#include <string>

#include "error_lib/application_exception.h"

namespace win32 {

class exception : public common::application_exception {
 public:
  // Takes the calling thread's last error; a null name counts as empty.
  explicit exception(const char* function_name);
  exception(uint32_t code, const std::u16string& description);

  const char* what() const noexcept override;
  std::u16string wide_what() const override;

 private:
  std::string call_message_;
};

}  // namespace win32
