#pragma once
// Path manipulation. Paths use '/' as the separator.
#include <string>

namespace path_helpers {

// first and second with exactly one '/' between them.
std::u16string join_path(const std::u16string& first, const std::u16string& second);

}  // namespace path_helpers
