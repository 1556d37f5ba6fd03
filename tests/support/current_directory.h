#pragma once
#include <filesystem>

namespace test_support {

// Makes folder the process's current directory for a scope and puts the old one back at
// its end.
class current_directory {
 public:
  explicit current_directory(const std::filesystem::path& folder);
  ~current_directory();
  current_directory(const current_directory&) = delete;
  current_directory& operator=(const current_directory&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace test_support
