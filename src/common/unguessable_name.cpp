#include "common/unguessable_name.h"

#include <cstdint>

#include "common/text.h"
#include "common/winapi/process/random_bytes.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace common {

std::u16string unguessable_name(std::u16string_view prefix) {
  uint8_t random[16];
  if (!winapi::generate_random_bytes(random, sizeof random)) FW_THROW(win32::exception("BCryptGenRandom"));
  std::u16string name(prefix);
  for (const uint8_t byte : random) append_ascii(name, to_hex(byte, 2));
  return name;
}

}  // namespace common
