#pragma once
#include <cstddef>
#include <cstdint>

namespace common::generated {

struct error_code_row {
  int32_t code;
  const char* text;  // UTF-8 message template
};

extern const error_code_row generated_error_codes[];
extern const size_t generated_error_codes_count;

// Linear search for an equal code; nullptr when the code has no row.
const char* find_error_text(int32_t code);

}  // namespace common::generated
