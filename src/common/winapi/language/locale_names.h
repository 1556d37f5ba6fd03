#pragma once
// LCIDToLocaleName and LocaleNameToLCID. The Linux stand-ins use a fixed table of the
// locales Windows defines for the suite's markets (no locale database is consulted);
// Windows knows more (neutral locales, the invariant locale for an empty name).
#include <cstdint>
#include <string>
#include <string_view>

namespace winapi {

// LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT; both resolve to en-US on Linux.
constexpr uint32_t locale_user_default = 0x0400;
constexpr uint32_t locale_system_default = 0x0800;

// The locale name ("ru-RU") of an LCID; empty with the last error 87 when unknown.
std::u16string lcid_to_locale_name(uint32_t lcid);

// The LCID of a locale name, compared without regard to ASCII case; 0 with the last
// error 87 when unknown.
uint32_t locale_name_to_lcid(std::u16string_view name);

}  // namespace winapi
