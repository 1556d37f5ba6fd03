#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace cpplogger {

constexpr int32_t level_unknown = -1;
constexpr int32_t level_trace = 0;
constexpr int32_t level_debug = 1;
constexpr int32_t level_info = 2;
constexpr int32_t level_warn = 3;
constexpr int32_t level_error = 4;
constexpr int32_t level_fatal = 5;

// The level's name; values outside the table are "UNKNOWN".
std::u16string_view level_to_text(int32_t level);

// Exact, case-sensitive lookup of a level name (including "UNKNOWN").
std::optional<int32_t> find_level(std::u16string_view name);

}  // namespace cpplogger
