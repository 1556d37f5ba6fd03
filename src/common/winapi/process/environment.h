#pragma once
// Stand-ins for GetEnvironmentVariableW and SetEnvironmentVariableW: the process
// environment, as UTF-8 text.
#include <optional>
#include <string>

namespace winapi {

// The value of the variable, or nothing when it is not set.
std::optional<std::string> get_environment_variable(const std::string& name);

// Sets the variable, or removes it when the value is nothing.
void set_environment_variable(const std::string& name, const std::optional<std::string>& value);

}  // namespace winapi
