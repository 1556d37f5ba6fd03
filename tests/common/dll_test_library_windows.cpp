#include <windows.h>

#include "common/dll_test_library.h"

namespace dll_test {

// The user-profile library (none of the program's own libraries imports it): the folder
// that holds the users' profiles.
const char16_t library_name[] = u"userenv.dll";
const char exported_function[] = "GetProfilesDirectoryW";
const char16_t missing_library[] = u"C:\\no\\such\\library.dll";

std::function<bool()> resolve_export(const common::dll::module_holder& module) {
  const auto function = common::dll::resolve<BOOL(wchar_t*, DWORD*)>(module, exported_function);
  return [function] {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!function(folder, &size)) return false;
    const DWORD attributes = ::GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  };
}

bool library_is_mapped() { return ::GetModuleHandleW(L"userenv.dll") != nullptr; }

}  // namespace dll_test
