#pragma once
// The system's path separators, for the portable path helpers.
#include <string_view>

namespace path_helpers::details {

// Every character that separates path components; the first is the one join_path puts in.
std::u16string_view separators();

}  // namespace path_helpers::details
