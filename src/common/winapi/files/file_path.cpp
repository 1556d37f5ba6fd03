#include "common/winapi/files/file_path.h"

#include <stdexcept>

#include "common/text.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

std::optional<std::string> to_utf8_path(std::u16string_view path) {
  // The system would cut the path at a NUL and name another file.
  if (path.find(u'\0') != std::u16string_view::npos) {
    set_last_error(error_invalid_name);
    return std::nullopt;
  }
  try {
    return common::utf16_to_utf8(path);
  } catch (const std::range_error&) {
    set_last_error(error_invalid_name);
    return std::nullopt;
  }
}

}  // namespace winapi
