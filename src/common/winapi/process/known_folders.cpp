#include "common/winapi/process/known_folders.h"

#include "common/text.h"
#include "common/winapi/process/environment.h"

namespace winapi {

std::optional<std::u16string> get_local_app_data_path() {
  const auto absolute = [](const std::optional<std::string>& path) { return path && path->starts_with('/'); };
  if (const auto state = get_environment_variable("XDG_STATE_HOME"); absolute(state)) {
    return common::utf8_to_utf16(*state);
  }
  if (const auto home = get_environment_variable("HOME"); absolute(home)) {
    return common::utf8_to_utf16(*home + "/.local/state");
  }
  return std::nullopt;
}

}  // namespace winapi
