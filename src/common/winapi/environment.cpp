#include "common/winapi/environment.h"

#include <cstdlib>

namespace winapi {

std::optional<std::string> get_environment_variable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace winapi
