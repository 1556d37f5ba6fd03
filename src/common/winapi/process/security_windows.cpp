#include "common/security.h"
#include "common/winapi/windows_types.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace security {

namespace {

constexpr DWORD max_path_length = 32767;

}  // namespace

std::u16string get_module_file_name(common::dll::module_handle module) {
  std::wstring buffer(max_path_length, L'\0');
  const DWORD length = ::GetModuleFileNameW(static_cast<HMODULE>(module), buffer.data(), max_path_length);
  if (length == 0) FW_THROW(win32::exception("GetModuleFileNameW"));
  buffer.resize(length);
  return winapi::details::from_wide(buffer);
}

std::u16string get_module_file_name() {
  HMODULE module = nullptr;
  const auto own_address = reinterpret_cast<LPCWSTR>(static_cast<std::u16string (*)()>(&get_module_file_name));
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            own_address, &module)) {
    FW_THROW(win32::exception("GetModuleHandleExW"));
  }
  return get_module_file_name(module);
}

}  // namespace security
