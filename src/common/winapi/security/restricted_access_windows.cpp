#include "common/winapi/security/restricted_access_windows.h"

#include <sddl.h>

#include <string>
#include <vector>

namespace winapi::details {

namespace {

std::optional<std::wstring> token_user_sid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(size);
  const bool read = size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
  const DWORD error = ::GetLastError();
  ::CloseHandle(token);
  if (!read) {
    ::SetLastError(error);
    return std::nullopt;
  }
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) return std::nullopt;
  std::wstring sid(text);
  ::LocalFree(text);
  return sid;
}

}  // namespace

std::optional<restricted_access> restricted_access::make(std::wstring_view aces) {
  const auto user = token_user_sid();
  if (!user) return std::nullopt;
  std::wstring text = L"D:P";
  text.append(aces);
  constexpr std::wstring_view placeholder = L"{user}";
  for (size_t at = text.find(placeholder); at != std::wstring::npos; at = text.find(placeholder, at)) {
    text.replace(at, placeholder.size(), *user);
    at += user->size();
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    return std::nullopt;
  }
  return restricted_access(descriptor);
}

}  // namespace winapi::details
