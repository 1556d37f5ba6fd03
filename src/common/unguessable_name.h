#pragma once
// Names of objects that a hostile local user must not be able to take first or find:
// stop events, pipes, temporary folders.
#include <string>
#include <string_view>

namespace common {

// prefix followed by 32 lower-case hexadecimal digits, 128 bits from the system's random
// source. Raises the Windows error of "BCryptGenRandom" when the source fails.
std::u16string unguessable_name(std::u16string_view prefix);

}  // namespace common
