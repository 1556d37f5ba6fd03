#pragma once
// SHGetValueW, RegOpenKeyExW, RegQueryValueExW, RegCreateKeyExW, RegSetValueExW,
// RegCloseKey, plus RegDeleteValueW and RegDeleteTreeW for the installer tool. On
// Windows they are the system's calls, the comments below say where the Linux
// stand-in differs.
//
// On Linux the registry is a store in the file system: every key is a folder below the
// store root (FERROWICK_REGISTRY_ROOT, default /var/lib/ferrowick/registry), one folder
// per hive ("hklm"); the key's values are in the file ".values.reg" of its folder (format
// in registry_store_file.h). Key names are case-insensitive: folder names are the
// lower-cased key names. The calls answer Windows result codes (0 = ERROR_SUCCESS) as
// the Reg* functions do and never raise.
#include <cstdint>
#include <string>

namespace winapi {

using hkey = uintptr_t;
using reg_result = int32_t;  // LONG

constexpr hkey hkey_local_machine = 0x80000002;

constexpr uint32_t reg_sz = 1;
constexpr uint32_t reg_binary = 3;
constexpr uint32_t reg_dword = 4;

constexpr uint32_t key_query_value = 0x0001;
constexpr uint32_t key_set_value = 0x0002;
constexpr uint32_t key_read = 0x20019;
constexpr uint32_t key_write = 0x20006;
constexpr uint32_t key_all_access = 0xF003F;
constexpr uint32_t key_wow64_64key = 0x0100;

constexpr uint32_t reg_option_non_volatile = 0;

constexpr reg_result error_more_data = 234;
constexpr reg_result error_registry_corrupt = 1015;

// Where the values live: on Linux the store root directory (no trailing slash),
// FERROWICK_REGISTRY_ROOT or the default; on Windows "HKEY_LOCAL_MACHINE", the system's
// registry itself.
std::string registry_store_root();

// SHGetValueW: opens root\subkey for reading and queries the value. type, data and size
// may be null as for RegQueryValueExW.
reg_result sh_get_value(hkey root, const std::u16string& subkey, const std::u16string& value_name, uint32_t* type,
                        void* data, uint32_t* size);

// RegOpenKeyExW: a missing key answers 2 (ERROR_FILE_NOT_FOUND).
reg_result reg_open_key_ex(hkey root, const std::u16string& subkey, uint32_t options, uint32_t desired_access,
                           hkey* result);

// RegQueryValueExW: with data null only the type and size are given; a buffer too
// small answers 234 (ERROR_MORE_DATA) with the needed size. A values file that is
// malformed, truncated or over the size limit answers 1015 (ERROR_REGISTRY_CORRUPT).
reg_result reg_query_value_ex(hkey key, const std::u16string& value_name, uint32_t* type, void* data, uint32_t* size);

// RegCreateKeyExW (no class, no security attributes, no disposition): opens the key or
// creates its last component; a missing parent answers 2 on Linux, Windows creates it.
reg_result reg_create_key_ex(hkey root, const std::u16string& subkey, uint32_t options, uint32_t desired_access,
                             hkey* result);

// RegSetValueExW: replaces the key's values file atomically. REG_SZ data must be whole
// UTF-16 units ending with a NUL unit, REG_DWORD exactly 4 bytes; otherwise 87 (Linux;
// Windows stores what it is given).
reg_result reg_set_value_ex(hkey key, const std::u16string& value_name, uint32_t type, const void* data, uint32_t size);

// RegDeleteValueW and RegDeleteTreeW(key, subkey): the key itself is removed with all
// its subkeys.
reg_result reg_delete_value(hkey key, const std::u16string& value_name);
reg_result reg_delete_tree(hkey root, const std::u16string& subkey);

// RegCloseKey: 6 (ERROR_INVALID_HANDLE) for a handle that is not open.
reg_result reg_close_key(hkey key);

// IsWow64Process on the current process: false for the 64-bit programs (on Linux always,
// see docs/platform.md, "Registry store"); false with the last error set on failure.
bool is_wow64_process(bool* result);

}  // namespace winapi
