#include <stdlib.h>

#include <vector>

#include "common/text.h"
#include "common/winapi/process/environment.h"
#include "common/winapi/windows_types.h"

namespace winapi {

std::optional<std::string> get_environment_variable(const std::string& name) {
  const std::wstring wide_name = details::to_wide(common::utf8_to_utf16(name));
  std::vector<wchar_t> value(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // A value that did not fit gives the size it needs, its terminator included.
    if (length < value.size()) return common::utf16_to_utf8(details::from_wide({value.data(), length}));
    value.resize(length);
  }
}

void set_environment_variable(const std::string& name, const std::optional<std::string>& value) {
  const std::wstring wide_name = details::to_wide(common::utf8_to_utf16(name));
  const std::wstring wide_value = value ? details::to_wide(common::utf8_to_utf16(*value)) : std::wstring();
  // The runtime keeps its own copy, read by getenv and by its time-zone setup; an empty
  // value removes the variable there.
  ::_wputenv_s(wide_name.c_str(), wide_value.c_str());
  ::SetEnvironmentVariableW(wide_name.c_str(), value ? wide_value.c_str() : nullptr);
}

}  // namespace winapi
