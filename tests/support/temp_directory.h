#pragma once
#include <filesystem>

namespace test_support {

// A fresh directory under the system temporary directory, removed with its contents.
class temp_directory {
 public:
  temp_directory();
  ~temp_directory();
  temp_directory(const temp_directory&) = delete;
  temp_directory& operator=(const temp_directory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace test_support
