#pragma once
// Probes before every download attempt, so that a failure can be reported as an
// unreachable proxy or server with addresses an administrator can act on. Neither
// raises for network reasons.
#include <Poco/Net/NameValueCollection.h>

#include <string>
#include <vector>

#include "updater_lib/details/https/cancellation_watcher.h"
#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

// True when a TCP connection to the variant's proxy can be made within the session
// time-out; nothing is sent. The connection is published in the slot, so the watcher can
// abort it; an aborted slot gives false at once.
bool is_proxy_server_reachable(const proxy_parameters& proxy, const https_parameters& parameters,
                               details::https_session_slot& slot);

// True when the server root URL answers 200 or 206 through the variant (certificate rule
// included). On false the reasons are appended to errors. The session is published in
// the slot like the proxy's connection.
bool is_remote_server_reachable(const std::u16string& server_root_url, const https_parameters& parameters,
                                const proxy_parameters& proxy, const Poco::Net::NameValueCollection& cookies,
                                std::vector<std::u16string>& errors, details::https_session_slot& slot);

}  // namespace updater
