#include <utility>

#include "common/winapi/files/file_find.h"
#include "common/winapi/windows_types.h"

namespace winapi {

namespace {

// FindFirstFileW already gives the first entry; next() hands it out first.
struct search {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW first{};
  bool first_pending = true;
};

void close(void* stream) {
  if (stream == nullptr) return;
  auto* state = static_cast<search*>(stream);
  ::FindClose(state->handle);
  delete state;
}

}  // namespace

file_find file_find::open(std::u16string_view directory) {
  auto pattern = details::to_windows_path(directory.empty() ? u"." : directory);
  if (!pattern) return {};
  if (!pattern->ends_with(L'\\')) pattern->push_back(L'\\');
  pattern->push_back(L'*');
  auto* state = new search;
  state->handle = ::FindFirstFileW(pattern->c_str(), &state->first);
  if (state->handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    delete state;
    // An empty folder still has "." and ".."; a missing one is a missing path.
    ::SetLastError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    return {};
  }
  return file_find(state);
}

file_find::~file_find() { close(stream_); }

file_find::file_find(file_find&& other) noexcept : stream_(std::exchange(other.stream_, nullptr)) {}

file_find& file_find::operator=(file_find&& other) noexcept {
  if (this != &other) {
    close(stream_);
    stream_ = std::exchange(other.stream_, nullptr);
  }
  return *this;
}

std::optional<std::u16string> file_find::next() {
  auto* state = static_cast<search*>(stream_);
  if (state->first_pending) {
    state->first_pending = false;
    return details::from_wide(state->first.cFileName);
  }
  WIN32_FIND_DATAW entry{};
  if (!::FindNextFileW(state->handle, &entry)) return std::nullopt;
  return details::from_wide(entry.cFileName);
}

}  // namespace winapi
