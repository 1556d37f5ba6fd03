#pragma once
// SetProcessPreferredUILanguages and SetThreadPreferredUILanguages, their getters and
// VerifyVersionInfoW. Linux has no such system setting: the stand-ins keep the lists as
// process and thread state, which the getters give back. On Windows they are the
// system's calls, SetProcessPreferredUILanguages resolved from Kernel32 at run time.
#include <cstdint>
#include <string>

namespace winapi {

constexpr uint32_t mui_language_name = 0x8;

// languages: NUL-separated locale names ending with an empty name (a double NUL). Only
// MUI_LANGUAGE_NAME is taken; a flag other than that or a name the locale table does
// not know fails with 87 and changes nothing. count receives the number of names.
bool set_process_preferred_ui_languages(uint32_t flags, const char16_t* languages, uint32_t* count);
bool set_thread_preferred_ui_languages(uint32_t flags, const char16_t* languages, uint32_t* count);

// The list last set, with its double NUL; empty before any set.
std::u16string get_process_preferred_ui_languages();
std::u16string get_thread_preferred_ui_languages();

// VerifyVersionInfoW with VER_GREATER_EQUAL on the major, minor and service-pack major
// versions: Linux counts as Windows 10 (10.0, service pack 0); Windows answers for the
// version the program's manifest lets it see (6.2 without one).
bool verify_version_at_least(uint32_t major, uint32_t minor, uint16_t service_pack_major);

}  // namespace winapi
