#pragma once
// The two error categories: "application" for the suite's result codes (5000 and up)
// and "win32" for Windows error values.
#include <cstdint>
#include <system_error>

#include "error_lib/result_codes.h"

namespace common {

const std::error_category& application_category();

inline std::error_code make_application_error(int value) { return {value, application_category()}; }

}  // namespace common

namespace win32 {

class win32_error_category : public std::error_category {
 public:
  const char* name() const noexcept override;
  std::string message(int value) const override;
  bool equivalent(const std::error_code& code, int condition) const noexcept override;
  using std::error_category::equivalent;
};

const std::error_category& category();

inline std::error_code make_win32_error(uint32_t value) { return {static_cast<int>(value), category()}; }

}  // namespace win32
