#include "error_lib/generated/generated_error_codes.h"

namespace common::generated {

const char* find_error_text(int32_t code) {
  for (size_t i = 0; i < generated_error_codes_count; ++i) {
    if (generated_error_codes[i].code == code) return generated_error_codes[i].text;
  }
  return nullptr;
}

}  // namespace common::generated
