#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "common/winapi/files/file_api.h"
#include "common/winapi/windows_types.h"

// After windows.h, which it needs.
#include <sddl.h>

namespace winapi {

namespace {

// Keeps the last error of the call that failed across the clean-up after it.
void free_keeping_error(HLOCAL memory) {
  const DWORD error = ::GetLastError();
  ::LocalFree(memory);
  ::SetLastError(error);
}

// The SID of the process's user in string form, empty (with the last error) on failure.
std::wstring process_user_sid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<std::byte> buffer(size);
  const bool known = size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  const DWORD error = ::GetLastError();
  ::CloseHandle(token);
  ::SetLastError(error);
  LPWSTR text = nullptr;
  if (!known || !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  std::wstring sid(text);
  ::LocalFree(text);
  return sid;
}

// Full control for LocalSystem, Administrators and the process's user (LocalSystem
// again for the service); "P" keeps the folder's inheritable entries out.
PSECURITY_DESCRIPTOR private_file_descriptor() {
  const std::wstring user = process_user_sid();
  if (user.empty()) return nullptr;
  const std::wstring sddl = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + user + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    return nullptr;
  }
  return descriptor;
}

// The absolute form of a path, which the rename information takes: the system turns it
// into the native form as CreateFileW does, but does not complete a relative one.
std::optional<std::wstring> absolute_windows_path(const std::u16string& path) {
  std::u16string full;
  if (!get_full_path_name(path, &full)) return std::nullopt;
  return details::to_windows_path(full);
}

}  // namespace

handle_t create_file(const std::u16string& path, uint32_t access, creation_disposition disposition, uint32_t flags,
                     uint32_t share) {
  const auto native = details::to_windows_path(path);
  if (!native) return invalid_handle_value;
  return details::from_native(::CreateFileW(native->c_str(), access, share, nullptr, static_cast<DWORD>(disposition),
                                            FILE_ATTRIBUTE_NORMAL | flags, nullptr));
}

handle_t create_private_file(const std::u16string& path) {
  const auto native = details::to_windows_path(path);
  if (!native) return invalid_handle_value;
  const std::unique_ptr<void, decltype(&free_keeping_error)> descriptor(private_file_descriptor(), free_keeping_error);
  if (!descriptor) return invalid_handle_value;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  // An existing name fails, a link included: the reparse point itself is what is opened.
  return details::from_native(::CreateFileW(native->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, &attributes,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool read_file(handle_t file, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (*done < count) {
    DWORD moved = 0;
    if (!::ReadFile(details::to_native(file), bytes + *done, count - *done, &moved, nullptr)) return false;
    if (moved == 0) break;
    *done += moved;
  }
  return true;
}

bool write_file(handle_t file, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (*done < count) {
    DWORD moved = 0;
    if (!::WriteFile(details::to_native(file), bytes + *done, count - *done, &moved, nullptr)) return false;
    *done += moved;
  }
  return true;
}

bool flush_file_buffers(handle_t file) { return ::FlushFileBuffers(details::to_native(file)) != FALSE; }

bool set_file_pointer_ex(handle_t file, int64_t distance, int64_t* new_position, move_method method) {
  LARGE_INTEGER move{};
  move.QuadPart = distance;
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(details::to_native(file), move, &position, static_cast<DWORD>(method))) return false;
  if (new_position != nullptr) *new_position = position.QuadPart;
  return true;
}

bool set_end_of_file(handle_t file) { return ::SetEndOfFile(details::to_native(file)) != FALSE; }

bool get_file_size_ex(handle_t file, int64_t* size) {
  LARGE_INTEGER value{};
  if (!::GetFileSizeEx(details::to_native(file), &value)) return false;
  *size = value.QuadPart;
  return true;
}

bool get_file_identity_by_handle(handle_t file, file_identity* identity) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(details::to_native(file), &information)) return false;
  *identity = file_identity{information.dwVolumeSerialNumber,
                            (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
  return true;
}

bool get_file_last_write_time(handle_t file, uint64_t* filetime) {
  FILETIME written{};
  if (!::GetFileTime(details::to_native(file), nullptr, nullptr, &written)) return false;
  *filetime = details::to_ticks(written);
  return true;
}

bool replace_file_by_rename(const std::u16string& source, const std::u16string& destination) {
  const auto native_source = details::to_windows_path(source);
  const auto native_destination = details::to_windows_path(destination);
  if (!native_source || !native_destination) return false;
  return ::MoveFileExW(native_source->c_str(), native_destination->c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool rename_open_file(handle_t file, const std::u16string&, const std::u16string& destination) {
  const auto target = absolute_windows_path(destination);
  if (!target) return false;
  const size_t name_bytes = target->size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + name_bytes + sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(rename->FileName, target->data(), name_bytes);
  return ::SetFileInformationByHandle(details::to_native(file), FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size())) != FALSE;
}

bool get_full_path_name(const std::u16string& path, std::u16string* full_path) {
  const auto native = details::to_windows_path(path);
  if (!native) return false;
  const DWORD needed = ::GetFullPathNameW(native->c_str(), 0, nullptr, nullptr);
  if (needed == 0) return false;
  std::vector<wchar_t> buffer(needed);
  const DWORD length = ::GetFullPathNameW(native->c_str(), needed, buffer.data(), nullptr);
  if (length == 0 || length >= needed) return false;
  *full_path = details::from_wide({buffer.data(), length});
  return true;
}

// GetTempPath2W gives LocalSystem its private C:\Windows\SystemTemp, which other users
// cannot enter, and every other caller what GetTempPathW gives. It is looked up at run
// time: systems before it, and import libraries without it, have only GetTempPathW.
std::u16string get_temp_path() {
  using temp_path_function = DWORD(WINAPI*)(DWORD, LPWSTR);
  static const auto private_for_system = reinterpret_cast<temp_path_function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
  const temp_path_function get = private_for_system != nullptr ? private_for_system : &::GetTempPathW;
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = get(MAX_PATH + 1, buffer);
  return details::from_wide({buffer, length});
}

}  // namespace winapi
