#include <windows.h>
// winhttp.h needs windows.h first.
#include <winhttp.h>

#include "common/winapi/proxy/system_proxy.h"
#include "common/winapi/windows_types.h"

namespace winapi {

namespace {

// WinHTTP hands its texts over to be released with GlobalFree; a release keeps the last
// error of the call before it.
class global_text {
 public:
  global_text(const global_text&) = delete;
  global_text& operator=(const global_text&) = delete;
  explicit global_text(LPWSTR& text) : text_(text) {}
  ~global_text() {
    if (text_ == nullptr) return;
    const DWORD error = ::GetLastError();
    ::GlobalFree(text_);
    ::SetLastError(error);
  }

 private:
  LPWSTR& text_;
};

class winhttp_session {
 public:
  winhttp_session(const winhttp_session&) = delete;
  winhttp_session& operator=(const winhttp_session&) = delete;
  winhttp_session()
      : handle_(
            ::WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)) {}
  // A handle that cannot be closed leaves nothing to mend.
  ~winhttp_session() {
    if (handle_ == nullptr) return;
    const DWORD error = ::GetLastError();
    ::WinHttpCloseHandle(handle_);
    ::SetLastError(error);
  }
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

std::optional<std::u16string> list_of(const wchar_t* text) {
  if (text == nullptr) return std::nullopt;
  return details::from_wide(text);
}

}  // namespace

bool get_proxy_for_url(std::u16string_view url, std::optional<std::u16string>& proxy_list) {
  // A failed WinHttpOpen shows as the failure of the time-outs on no handle.
  const winhttp_session session;
  const int timeout = static_cast<int>(proxy_detection_limit.count());
  if (!::WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout)) return false;
  WINHTTP_AUTOPROXY_OPTIONS options{};
  options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
  options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  options.fAutoLogonIfChallenged = FALSE;
  const std::wstring wide_url = details::to_wide(url);
  WINHTTP_PROXY_INFO info{};
  const global_text proxy(info.lpszProxy);
  const global_text bypass(info.lpszProxyBypass);
  bool found = ::WinHttpGetProxyForUrl(session.get(), wide_url.c_str(), &options, &info);
  if (!found && ::GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
    options.fAutoLogonIfChallenged = TRUE;
    found = ::WinHttpGetProxyForUrl(session.get(), wide_url.c_str(), &options, &info);
  }
  if (!found) return false;
  proxy_list = list_of(info.lpszProxy);
  return true;
}

bool get_current_user_proxy(std::optional<std::u16string>& proxy_list) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  const global_text script(config.lpszAutoConfigUrl);
  const global_text proxy(config.lpszProxy);
  const global_text bypass(config.lpszProxyBypass);
  if (!::WinHttpGetIEProxyConfigForCurrentUser(&config)) return false;
  proxy_list = list_of(config.lpszProxy);
  return true;
}

}  // namespace winapi
