#include "support/temp_directory.h"

#include <random>
#include <stdexcept>
#include <string>

namespace test_support {

temp_directory::temp_directory() {
  // create_directory reports an existing name, so a clash just tries the next name.
  std::random_device seed;
  std::mt19937_64 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / ("ferrowick-test-" + std::to_string(random() % 1000000000));
    if (std::filesystem::create_directory(candidate)) {
      path_ = std::move(candidate);
      return;
    }
  }
  throw std::runtime_error("no free temporary directory name under " + base.string());
}

temp_directory::~temp_directory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace test_support
