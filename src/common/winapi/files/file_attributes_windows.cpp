#include <aclapi.h>

#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/windows_types.h"
#include "error_lib/win32_exception.h"

namespace winapi {

namespace {

// Generic rights count as the file rights they stand for (GENERIC_READ, GENERIC_ALL).
bool grants_read(ACCESS_MASK mask) {
  GENERIC_MAPPING file_mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  ::MapGenericMask(&mask, &file_mapping);
  return (mask & FILE_READ_DATA) != 0;
}

// The owner, and those who may take any file anyway.
bool may_read_anyway(PSID sid, PSID owner) {
  return (owner != nullptr && ::EqualSid(sid, owner)) || ::IsWellKnownSid(sid, WinLocalSystemSid) ||
         ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

bool grants_others_read(ACL& dacl, PSID owner) {
  for (DWORD index = 0; index < dacl.AceCount; ++index) {
    void* entry = nullptr;
    if (!::GetAce(&dacl, index, &entry)) return true;
    const auto& header = *static_cast<const ACE_HEADER*>(entry);
    // An inherit-only entry is for the children of a folder, not for the object itself.
    if ((header.AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    // A conditional (callback) entry starts as a plain one: it may grant too.
    if (header.AceType != ACCESS_ALLOWED_ACE_TYPE && header.AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) continue;
    auto& allowed = *static_cast<ACCESS_ALLOWED_ACE*>(entry);
    if (grants_read(allowed.Mask) && !may_read_anyway(&allowed.SidStart, owner)) return true;
  }
  return false;
}

}  // namespace

std::optional<file_attribute_data> get_file_attributes_ex(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  if (!native) return std::nullopt;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(native->c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  file_attribute_data result;
  result.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  result.size = static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
  result.last_write_time = details::to_ticks(data.ftLastWriteTime);
  return result;
}

std::optional<file_identity> get_file_identity(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  if (!native) return std::nullopt;
  // No access rights: the file is only asked about. Folders open with backup semantics.
  const HANDLE file = ::CreateFileW(native->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  file_identity identity;
  const bool known = get_file_identity_by_handle(details::from_native(file), &identity);
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  if (!known) {
    ::SetLastError(error);
    return std::nullopt;
  }
  return identity;
}

bool readable_by_others(std::u16string_view path) {
  const auto native = details::to_windows_path(path);
  if (!native) throw win32::exception("GetNamedSecurityInfoW");
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error =
      ::GetNamedSecurityInfoW(native->c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    ::SetLastError(error);
    throw win32::exception("GetNamedSecurityInfoW");
  }
  // No DACL at all lets everyone in.
  const bool readable = dacl == nullptr || grants_others_read(*dacl, owner);
  ::LocalFree(descriptor);
  return readable;
}

}  // namespace winapi
