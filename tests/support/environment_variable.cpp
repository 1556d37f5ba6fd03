#include "support/environment_variable.h"

#include <utility>

#include "common/winapi/process/environment.h"

namespace test_support {

environment_variable::environment_variable(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), saved_(winapi::get_environment_variable(name_)) {
  set(value);
}

environment_variable::~environment_variable() { set(saved_); }

void environment_variable::set(const std::optional<std::string>& value) const {
  winapi::set_environment_variable(name_, value);
}

}  // namespace test_support
