#pragma once
// Stand-in for GetEnvironmentVariableW: the process environment, as UTF-8 text.
#include <optional>
#include <string>

namespace winapi {

// The value of the variable, or nothing when it is not set.
std::optional<std::string> get_environment_variable(const std::string& name);

}  // namespace winapi
