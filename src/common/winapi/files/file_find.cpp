#include "common/winapi/files/file_find.h"

#include <dirent.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "common/text.h"
#include "common/winapi/files/file_path.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

file_find file_find::open(std::u16string_view directory) {
  const auto native = to_utf8_path(directory.empty() ? u"." : directory);
  if (!native) return {};
  DIR* stream = ::opendir(native->c_str());
  if (stream == nullptr) {
    // FindFirstFileW reports a missing folder of the pattern as a missing path.
    set_last_error(errno == ENOENT ? error_path_not_found : errno_to_win32(errno));
    return {};
  }
  return file_find(stream);
}

file_find::~file_find() {
  if (stream_ != nullptr) ::closedir(static_cast<DIR*>(stream_));
}

file_find::file_find(file_find&& other) noexcept : stream_(std::exchange(other.stream_, nullptr)) {}

file_find& file_find::operator=(file_find&& other) noexcept {
  if (this != &other) {
    if (stream_ != nullptr) ::closedir(static_cast<DIR*>(stream_));
    stream_ = std::exchange(other.stream_, nullptr);
  }
  return *this;
}

std::optional<std::u16string> file_find::next() {
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(static_cast<DIR*>(stream_));
    if (entry == nullptr) {
      set_last_error(errno == 0 ? error_no_more_files : errno_to_win32(errno));
      return std::nullopt;
    }
    try {
      return common::utf8_to_utf16(entry->d_name);
    } catch (const std::range_error&) {
      // A name that is not UTF-8 cannot be named by the program; skip it.
    }
  }
}

}  // namespace winapi
