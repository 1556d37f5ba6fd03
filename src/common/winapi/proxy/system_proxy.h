#pragma once
// The WinHTTP proxy discovery calls (WinHttpGetProxyForUrl with automatic detection,
// WinHttpGetIEProxyConfigForCurrentUser). A proxy list is a text of entries "DIRECT" or
// "host:port" separated by ';' or blanks; no list (nullopt) means the source names no
// proxy. Each call returns false with the last error set when it fails.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace winapi {

constexpr uint32_t error_winhttp_timeout = 12002;
constexpr uint32_t error_winhttp_autodetection_failed = 12180;

// Windows: the time-outs of the detection's WinHTTP session (resolving, connecting,
// sending, receiving). Linux: the whole detection is given up after this long.
constexpr std::chrono::milliseconds proxy_detection_limit{5000};

// Automatic detection of the proxies for url. Windows: WinHttpGetProxyForUrl by DHCP and
// DNS in a session of its own, once more with automatic logon after 12015. Linux: WPAD
// through libproxy in a child process. Fails with 12180 when detection finds no proxy and
// 12002 when it takes longer than proxy_detection_limit.
bool get_proxy_for_url(std::u16string_view url, std::optional<std::u16string>& proxy_list);

// The current user's configured proxy. Windows: the proxy of
// WinHttpGetIEProxyConfigForCurrentUser. Linux: https_proxy, else HTTPS_PROXY (an empty
// variable counts as unset), as an address or a URL whose scheme, user information and
// trailing '/' are dropped; fails with 13 when the value is not UTF-8.
bool get_current_user_proxy(std::optional<std::u16string>& proxy_list);

}  // namespace winapi
