#pragma once
// Whether a Windows test program runs under wine, for the checks where wine answers
// otherwise than Windows does (each such check names the difference).
#include <windows.h>

namespace test_support {

inline bool running_under_wine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace test_support
