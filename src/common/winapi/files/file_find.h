#pragma once
// Stand-in for FindFirstFileW / FindNextFileW / FindClose over "directory\*": yields
// every entry name of one directory, "." and ".." included, in no particular order.
#include <optional>
#include <string>
#include <string_view>

namespace winapi {

class file_find {
 public:
  // FindFirstFileW: a missing directory fails with ERROR_PATH_NOT_FOUND.
  static file_find open(std::u16string_view directory);

  file_find() = default;
  ~file_find();
  file_find(file_find&& other) noexcept;
  file_find& operator=(file_find&& other) noexcept;
  file_find(const file_find&) = delete;
  file_find& operator=(const file_find&) = delete;

  bool valid() const { return stream_ != nullptr; }

  // FindNextFileW: the next name, or nothing with the last error ERROR_NO_MORE_FILES at
  // the end (any other value is a failure).
  std::optional<std::u16string> next();

 private:
  explicit file_find(void* stream) : stream_(stream) {}
  void* stream_ = nullptr;  // DIR*
};

}  // namespace winapi
