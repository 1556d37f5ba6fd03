#pragma once
// Probes before every download attempt, so that a failure can be reported as an
// unreachable proxy or server with addresses an administrator can act on. Neither
// raises for network reasons.
#include <Poco/Net/NameValueCollection.h>

#include <string>
#include <vector>

#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

// True when a TCP connection to the variant's proxy can be made; nothing is sent.
bool is_proxy_server_reachable(const proxy_parameters& proxy);

// True when the server root URL answers 200 or 206 through the variant (certificate rule
// included). On false the reasons are appended to errors.
bool is_remote_server_reachable(const std::u16string& server_root_url, const https_parameters& parameters,
                                const proxy_parameters& proxy, const Poco::Net::NameValueCollection& cookies,
                                std::vector<std::u16string>& errors);

}  // namespace updater
