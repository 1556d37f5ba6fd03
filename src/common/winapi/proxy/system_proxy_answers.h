#pragma once
// Turns what the Linux proxy sources answer into proxy lists as WinHTTP reports them:
// entries "DIRECT" or "host:port" separated by ';'.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winapi {

// "host:port" out of a proxy written as a URL or as an address: a scheme ("http://"),
// user information ("user:password@") and a path or trailing '/' are dropped.
std::string proxy_address_of_url(std::string_view url);

// The list made of libproxy's answer: "direct://" gives "DIRECT", "http://host:port" gives
// "host:port", other kinds of proxy are left out. Nothing when the answer names no HTTP
// proxy: libproxy answers a lone "direct://" when it found no configuration at all.
std::optional<std::string> proxy_list_of_libproxy_answer(const std::vector<std::string>& answer);

}  // namespace winapi
