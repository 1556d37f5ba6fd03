#pragma once
// The proxy variants a download tries in order: the configured way alone, or what the
// system reports as its proxies.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

// A configured direct connection or proxy is the only variant. With the system proxy,
// every system proxy string in order becomes a copy of the configured record (so its
// authentication settings carry over): "DIRECT" a direct connection, "address:port" a
// proxy; strings that cannot be parsed are logged and skipped. The list may be empty.
std::vector<proxy_parameters> get_variants_of_proxy_servers(const https_parameters& parameters);

// The proxies automatic detection finds for the default update server, then the current
// user's configured ones. A source that fails is logged and passed over.
std::vector<std::u16string> get_system_proxy_strings();

// The pieces of a proxy list separated by ';' or ' ', without empty pieces.
std::vector<std::u16string> split_proxy_list(std::u16string_view list);

// "address:port" with exactly one ':', a non-empty address and a decimal port up to
// 65535 that is the whole rest of the text; raises 5511 for anything else.
std::pair<std::u16string, uint16_t> parse_proxy_address_and_port(const std::u16string& proxy);

}  // namespace updater
