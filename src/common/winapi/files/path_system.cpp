#include "common/path_system.h"

#include <cstdlib>
#include <memory>

#include "common/path_helpers.h"
#include "common/text.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace path_helpers {

namespace {

// The split buffers hold this many characters plus a terminator.
constexpr size_t max_part_length = 32767;

// "//?/" (Win32 form) or "/??/" (native form), followed by the absolute path whose
// leading '/' is the prefix's last character.
bool has_long_path_prefix(const std::u16string& path) {
  return path.size() >= 4 && (path.starts_with(u"//?/") || path.starts_with(u"/?\?/"));
}

}  // namespace

std::u16string_view details::separators() { return u"/"; }

std::u16string get_long_path_name(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (has_long_path_prefix(path)) return path;
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(common::utf16_to_utf8(path).c_str(), nullptr),
                                                             &std::free);
  if (!resolved) {
    winapi::set_last_error_from_errno();
    FW_THROW(win32::exception("GetLongPathNameW"), "for path: ", path);
  }
  std::u16string result = common::utf8_to_utf16(resolved.get());
  // Like the system call, keep a trailing separator the caller gave.
  if (path.ends_with(u'/') && !result.ends_with(u'/')) result.push_back(u'/');
  return result;
}

split_result split_path(const std::u16string& path) {
  FW_LOG_SCOPE();
  if (path.empty()) {
    FW_THROW(common::application_exception(common::error_cannot_split_path), "Could not split path. Path is empty.");
  }
  // The drive of a prefixed Windows path would get the Win32 prefix back; without
  // drives the prefix is simply dropped. A non-empty path never splits into four
  // empty parts here, since the prefix keeps its '/'.
  const std::u16string_view rest =
      has_long_path_prefix(path) ? std::u16string_view(path).substr(3) : std::u16string_view(path);
  const size_t last_slash = rest.find_last_of(u'/');
  const size_t name_begin = last_slash == std::u16string_view::npos ? 0 : last_slash + 1;
  const std::u16string_view directory = rest.substr(0, name_begin);
  const std::u16string_view file_name = rest.substr(name_begin);
  const size_t dot = file_name.find_last_of(u'.');
  const std::u16string_view name = dot == std::u16string_view::npos ? file_name : file_name.substr(0, dot);
  const std::u16string_view extension =
      dot == std::u16string_view::npos ? std::u16string_view() : file_name.substr(dot);
  if (directory.size() > max_part_length || name.size() > max_part_length || extension.size() > max_part_length) {
    FW_THROW(common::application_exception(common::error_cannot_split_path), "Could not split path: ", path);
  }
  return {std::u16string(), std::u16string(directory), std::u16string(name), std::u16string(extension)};
}

}  // namespace path_helpers
