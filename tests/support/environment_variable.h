#pragma once
#include <optional>
#include <string>

namespace test_support {

// Sets (or removes) a process environment variable for a scope and puts the old value
// back at its end.
class environment_variable {
 public:
  environment_variable(std::string name, const std::optional<std::string>& value);
  ~environment_variable();
  environment_variable(const environment_variable&) = delete;
  environment_variable& operator=(const environment_variable&) = delete;

  void set(const std::optional<std::string>& value) const;

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace test_support
