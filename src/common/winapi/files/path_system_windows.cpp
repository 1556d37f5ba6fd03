#include <stdlib.h>

#include "common/path_helpers.h"
#include "common/path_system.h"
#include "common/winapi/windows_types.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace path_helpers {

namespace {

// Each split buffer holds this many characters with its terminator.
constexpr size_t split_buffer_length = 32768;

constexpr std::u16string_view win32_prefix = u"\\\\?\\";
constexpr std::u16string_view native_prefix = u"\\?\?\\";

bool has_long_path_prefix(std::u16string_view path) {
  return path.starts_with(win32_prefix) || path.starts_with(native_prefix);
}

[[noreturn]] void fail_to_split(const std::u16string& path, const char* addition = "") {
  FW_THROW(common::application_exception(common::error_cannot_split_path), "Could not split path: ", path, addition);
}

}  // namespace

std::u16string_view details::separators() { return u"\\/"; }

std::u16string get_long_path_name(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (has_long_path_prefix(path)) return path;
  const auto native = winapi::details::to_windows_path(path);
  if (!native) FW_THROW(win32::exception("GetLongPathNameW"), "for path: ", path);
  // The first call only measures: the size it answers counts the terminator.
  wchar_t probe[1] = {};
  const DWORD needed = ::GetLongPathNameW(native->c_str(), probe, 1);
  if (needed == 0) FW_THROW(win32::exception("GetLongPathNameW"), "for path: ", path);
  std::wstring buffer(needed, L'\0');
  const DWORD length = ::GetLongPathNameW(native->c_str(), buffer.data(), needed);
  if (length == 0) FW_THROW(win32::exception("GetLongPathNameW"), "for path: ", path);
  if (length + 1 != needed) {
    FW_THROW(win32::exception("GetLongPathNameW"), "An error in the calculation of the buffer size");
  }
  buffer.resize(length);
  return winapi::details::from_wide(buffer);
}

split_result split_path(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (path.empty()) {
    FW_THROW(common::application_exception(common::error_cannot_split_path), "Could not split path. Path is empty.");
  }
  const bool prefixed = path.size() >= 4 && has_long_path_prefix(path);
  const std::wstring rest = winapi::details::to_wide(std::u16string_view(path).substr(prefixed ? 4 : 0));
  std::wstring parts[4];
  for (std::wstring& part : parts) part.assign(split_buffer_length, L'\0');
  if (::_wsplitpath_s(rest.c_str(), parts[0].data(), split_buffer_length, parts[1].data(), split_buffer_length,
                      parts[2].data(), split_buffer_length, parts[3].data(), split_buffer_length) != 0) {
    fail_to_split(path);
  }
  std::u16string texts[4];
  for (int i = 0; i < 4; ++i) texts[i] = winapi::details::from_wide(parts[i].c_str());
  if (texts[0].empty() && texts[1].empty() && texts[2].empty() && texts[3].empty()) {
    fail_to_split(path, "; result is empty");
  }
  // Whichever prefix the path had, the drive gets the Win32 one back.
  if (prefixed && !texts[0].empty()) texts[0] = std::u16string(win32_prefix) + texts[0];
  return {texts[0], texts[1], texts[2], texts[3]};
}

}  // namespace path_helpers
