#include "common/winapi/language/ui_languages.h"
#include "common/winapi/windows_types.h"

namespace winapi {
namespace {

using preferred_ui_languages_setter = BOOL(WINAPI*)(DWORD, PCZZWSTR, PULONG);
using preferred_ui_languages_getter = BOOL(WINAPI*)(DWORD, PULONG, PZZWSTR, PULONG);

bool set_languages(preferred_ui_languages_setter setter, uint32_t flags, const char16_t* languages, uint32_t* count) {
  ULONG set = 0;
  if (!setter(flags, reinterpret_cast<PCZZWSTR>(languages), &set)) return false;
  if (count != nullptr) *count = set;
  return true;
}

// The list with its double NUL, empty when none is set (or it cannot be read).
std::u16string get_languages(preferred_ui_languages_getter getter) {
  ULONG count = 0;
  ULONG size = 0;
  if (!getter(MUI_LANGUAGE_NAME, &count, nullptr, &size) || count == 0) return {};
  std::wstring list(size, L'\0');
  if (!getter(MUI_LANGUAGE_NAME, &count, list.data(), &size)) return {};
  list.resize(size);
  return details::from_wide(list);
}

}  // namespace

// Resolved from Kernel32 at run time, so that a system without it still runs the program;
// then the call fails with 127 (ERROR_PROC_NOT_FOUND).
bool set_process_preferred_ui_languages(uint32_t flags, const char16_t* languages, uint32_t* count) {
  static const auto setter = reinterpret_cast<preferred_ui_languages_setter>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"Kernel32.dll"), "SetProcessPreferredUILanguages")));
  if (setter == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  return set_languages(setter, flags, languages, count);
}

bool set_thread_preferred_ui_languages(uint32_t flags, const char16_t* languages, uint32_t* count) {
  return set_languages(::SetThreadPreferredUILanguages, flags, languages, count);
}

std::u16string get_process_preferred_ui_languages() { return get_languages(::GetProcessPreferredUILanguages); }

std::u16string get_thread_preferred_ui_languages() { return get_languages(::GetThreadPreferredUILanguages); }

bool verify_version_at_least(uint32_t major, uint32_t minor, uint16_t service_pack_major) {
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  version.dwMajorVersion = major;
  version.dwMinorVersion = minor;
  version.wServicePackMajor = service_pack_major;
  ULONGLONG conditions = 0;
  conditions = ::VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
  conditions = ::VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
  conditions = ::VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return ::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, conditions) !=
         FALSE;
}

}  // namespace winapi
