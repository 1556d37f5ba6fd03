#pragma once
// Every HTTPS conversation of the worker runs on a session made here: TLS 1.2 with the
// worker's own server-certificate rule instead of certificate authorities, the host and
// port of a URL, a time-out that grows with the block size, and the proxy variant.
#include <Poco/Exception.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/NameValueCollection.h>
#include <Poco/Net/VerificationErrorArgs.h>

#include <cstdint>
#include <memory>
#include <string>

#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater::details {

// Seconds: block_size / 4575 (block_size taken as signed 32-bit), kept within 30..60.
int32_t session_timeout_seconds(uint32_t block_size);

// The session does not connect yet; the first request does. A direct variant sets no
// proxy; credentials are set only when the variant requires authentication. The session
// is an abortable_https_session: the watcher can cut any of its blocking steps.
std::unique_ptr<Poco::Net::HTTPSClientSession> setup_https_session(const std::u16string& url, uint32_t block_size,
                                                                   const proxy_parameters& proxy);

// True when the common name contains the default update server host name or "KOVA".
bool check_certificate_common_name(const std::string& common_name);

// Run for each certificate error the TLS library reports during a handshake, and for
// the server's own certificate in every handshake: accepts a certificate that is valid
// now and carries an accepted common name. A valid certificate of another component is
// remembered for the calling thread, so that the request that triggered the handshake
// fails with 5651 (see raise_if_certificate_refused).
void check_server_certificate(Poco::Net::VerificationErrorArgs& arguments);

// Forgets what the last handshake on this thread found.
void reset_certificate_refusal();
// Called when a request fails with handshake_failure: raises 5651 (final) when the last
// handshake on this thread met a certificate of another component, and a certificate
// validation error naming the reason when a certificate could not be checked at all.
void raise_if_certificate_refused(const Poco::Exception& handshake_failure);

// One cookie: viro_user_name, sent also when empty.
Poco::Net::NameValueCollection get_cookies_for_request(const https_parameters& parameters);

}  // namespace updater::details
