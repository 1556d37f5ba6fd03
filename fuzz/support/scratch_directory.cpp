#include "support/scratch_directory.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "common/text.h"

namespace fuzz_support {
namespace {

class owned_directory {
 public:
  owned_directory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ferrowick-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    ::setenv("TMPDIR", pattern.c_str(), 1);
  }
  ~owned_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  owned_directory(const owned_directory&) = delete;
  owned_directory& operator=(const owned_directory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

const std::filesystem::path& scratch_directory() {
  static const owned_directory directory;
  return directory.path();
}

void clear_scratch_directory() {
  for (const auto& entry : std::filesystem::directory_iterator(scratch_directory())) {
    std::filesystem::remove_all(entry.path());
  }
}

std::u16string write_scratch_file(const std::string& name, const uint8_t* data, size_t size) {
  const std::filesystem::path path = scratch_directory() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
  return common::utf8_to_utf16(path.string());
}

}  // namespace fuzz_support
