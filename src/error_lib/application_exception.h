#pragma once
// The one exception type for program errors: an error code and a resolved UTF-8 message.
#include <string>
#include <system_error>
#include <vector>

#include "error_lib/categories.h"

namespace common {

class application_exception : public std::system_error {
 public:
  explicit application_exception(std::error_code code);
  application_exception(std::error_code code, const std::vector<std::u16string>& inserts);
  // Shorthands for application result codes.
  explicit application_exception(int application_code);
  application_exception(int application_code, const std::vector<std::u16string>& inserts);

  // The resolved message, or the category's text when there is none.
  const char* what() const noexcept override;
  virtual std::u16string wide_what() const;

 private:
  std::string message_;
};

}  // namespace common
