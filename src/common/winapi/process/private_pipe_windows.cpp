#include "common/winapi/process/private_pipe_windows.h"

#include "common/winapi/security/restricted_access_windows.h"

namespace winapi::details {

HANDLE create_private_pipe(const std::wstring& name, bool inbound, DWORD buffer_size) {
  const auto access = restricted_access::make(L"(A;;FA;;;{user})");
  if (!access) return nullptr;
  SECURITY_ATTRIBUTES attributes = access->attributes();
  const HANDLE pipe = ::CreateNamedPipeW(
      name.c_str(),
      (inbound ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND) | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, buffer_size, buffer_size, 0,
      &attributes);
  return pipe == INVALID_HANDLE_VALUE ? nullptr : pipe;
}

HANDLE open_private_pipe_client(const std::wstring& name, bool writes) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  const HANDLE end = ::CreateFileW(name.c_str(), writes ? GENERIC_WRITE : GENERIC_READ, 0, &inheritable, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
  return end == INVALID_HANDLE_VALUE ? nullptr : end;
}

}  // namespace winapi::details
