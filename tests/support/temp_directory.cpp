#include "support/temp_directory.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace test_support {

temp_directory::temp_directory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ferrowick-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

temp_directory::~temp_directory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace test_support
