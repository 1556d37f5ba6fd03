#pragma once
// SHGetKnownFolderPath(FOLDERID_LocalAppData): the user's folder for program data that is
// not worth a backup, such as logs. On Linux $XDG_STATE_HOME, or $HOME/.local/state when
// it is not set.
#include <optional>
#include <string>

namespace winapi {

// Nothing when neither variable gives an absolute path (on Windows: when the call fails).
std::optional<std::u16string> get_local_app_data_path();

}  // namespace winapi
