#include <shlwapi.h>

#include "common/winapi/registry/registry_store.h"
#include "common/winapi/windows_types.h"

namespace winapi {
namespace {

// HKEY_LOCAL_MACHINE is the sign-extended 0x80000002; a key the system opened is its handle.
HKEY to_native_key(hkey key) { return key == hkey_local_machine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(key); }

hkey from_native_key(HKEY key) { return reinterpret_cast<hkey>(key); }

std::wstring wide(const std::u16string& text) { return details::to_wide(text); }

// The calls take DWORD (unsigned long) where the seam has uint32_t; in and out through a copy.
class dword_slot {
 public:
  explicit dword_slot(uint32_t* value) : value_(value), native_(value != nullptr ? *value : 0) {}
  ~dword_slot() {
    if (value_ != nullptr) *value_ = native_;
  }
  dword_slot(const dword_slot&) = delete;
  dword_slot& operator=(const dword_slot&) = delete;
  DWORD* get() { return value_ != nullptr ? &native_ : nullptr; }

 private:
  uint32_t* value_;
  DWORD native_;
};

}  // namespace

// The values are the system's registry; FERROWICK_REGISTRY_ROOT is not read.
std::string registry_store_root() { return "HKEY_LOCAL_MACHINE"; }

reg_result sh_get_value(hkey root, const std::u16string& subkey, const std::u16string& value_name, uint32_t* type,
                        void* data, uint32_t* size) {
  dword_slot native_type(type);
  dword_slot native_size(size);
  return static_cast<reg_result>(::SHGetValueW(to_native_key(root), wide(subkey).c_str(), wide(value_name).c_str(),
                                               native_type.get(), data, native_size.get()));
}

reg_result reg_open_key_ex(hkey root, const std::u16string& subkey, uint32_t options, uint32_t desired_access,
                           hkey* result) {
  HKEY key = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(to_native_key(root), wide(subkey).c_str(), options, desired_access, &key);
  if (status == ERROR_SUCCESS) *result = from_native_key(key);
  return static_cast<reg_result>(status);
}

reg_result reg_query_value_ex(hkey key, const std::u16string& value_name, uint32_t* type, void* data, uint32_t* size) {
  dword_slot native_type(type);
  dword_slot native_size(size);
  return static_cast<reg_result>(::RegQueryValueExW(to_native_key(key), wide(value_name).c_str(), nullptr,
                                                    native_type.get(), static_cast<BYTE*>(data), native_size.get()));
}

reg_result reg_create_key_ex(hkey root, const std::u16string& subkey, uint32_t options, uint32_t desired_access,
                             hkey* result) {
  HKEY key = nullptr;
  const LSTATUS status = ::RegCreateKeyExW(to_native_key(root), wide(subkey).c_str(), 0, nullptr, options,
                                           desired_access, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) *result = from_native_key(key);
  return static_cast<reg_result>(status);
}

reg_result reg_set_value_ex(hkey key, const std::u16string& value_name, uint32_t type, const void* data,
                            uint32_t size) {
  return static_cast<reg_result>(
      ::RegSetValueExW(to_native_key(key), wide(value_name).c_str(), 0, type, static_cast<const BYTE*>(data), size));
}

reg_result reg_delete_value(hkey key, const std::u16string& value_name) {
  return static_cast<reg_result>(::RegDeleteValueW(to_native_key(key), wide(value_name).c_str()));
}

reg_result reg_delete_tree(hkey root, const std::u16string& subkey) {
  // RegDeleteTreeW with no subkey empties the root itself, which for HKLM is never meant.
  if (subkey.empty()) return ERROR_INVALID_PARAMETER;
  return static_cast<reg_result>(::RegDeleteTreeW(to_native_key(root), wide(subkey).c_str()));
}

reg_result reg_close_key(hkey key) { return static_cast<reg_result>(::RegCloseKey(to_native_key(key))); }

bool is_wow64_process(bool* result) {
  BOOL wow64 = FALSE;
  if (!::IsWow64Process(::GetCurrentProcess(), &wow64)) return false;
  *result = wow64 != FALSE;
  return true;
}

}  // namespace winapi
