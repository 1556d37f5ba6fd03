#include "support/current_directory.h"

namespace test_support {

current_directory::current_directory(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
}

current_directory::~current_directory() {
  std::error_code ignored;
  std::filesystem::current_path(saved_, ignored);
}

}  // namespace test_support
