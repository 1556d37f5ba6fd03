#include <windows.h>

#include "common/dll_test_library.h"

namespace dll_test {

// The version-resource library: the size of the version information of a system library.
const char16_t library_name[] = u"version.dll";
const char exported_function[] = "GetFileVersionInfoSizeW";
const char16_t missing_library[] = u"C:\\no\\such\\library.dll";

std::function<bool()> resolve_export(const common::dll::module_holder& module) {
  const auto function = common::dll::resolve<DWORD(const wchar_t*, DWORD*)>(module, exported_function);
  return [function] {
    DWORD ignored = 0;
    return function(L"kernel32.dll", &ignored) > 0;
  };
}

bool library_is_mapped() { return ::GetModuleHandleW(L"version.dll") != nullptr; }

}  // namespace dll_test
