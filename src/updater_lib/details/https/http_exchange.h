#pragma once
// One HTTP exchange with the update server: the GET request (ranged when resuming), the
// checks of the session and the status, and the headers that steer resuming.
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/NameValueCollection.h>

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

namespace updater::details {

// GET, HTTP/1.1, "Connection: Close", the cookies, and "RANGE: bytes=offset-" when the
// offset is not 0.
std::unique_ptr<Poco::Net::HTTPRequest> create_http_request(const std::u16string& url,
                                                            const Poco::Net::NameValueCollection& cookies,
                                                            uint64_t offset);

// Sends the request and receives the response head; returns the body stream. A
// handshake refused because the server belongs to another component raises 5651;
// other failures are the library's exceptions.
std::istream& send_request(Poco::Net::HTTPSClientSession& session, Poco::Net::HTTPRequest& request,
                           Poco::Net::HTTPResponse& response);

// 5370 when the session is not secure.
void check_https_session(const Poco::Net::HTTPSClientSession& session);

// 200 and 206 pass; 404 raises 5655 (final) with the URL; any other status 5372 with the
// library's reason phrase for it.
void check_http_response(const Poco::Net::HTTPResponse& response, const std::u16string& url);

// True when a 206 response's "Content-Range" starts at offset ("bytes offset-...").
bool range_starts_at(const Poco::Net::HTTPResponse& response, uint64_t offset);

// Returns the content length (0 when absent or 0); a negative one raises
// Poco::SyntaxException, as the library does for one that is not a number. Walks the headers in the
// order received: an "Accept-Ranges" that is not "none" sets accept_ranges and ends the
// walk; the first "Last-Modified" is kept in last_modified and a different later one
// raises 5374.
uint64_t update_session_properties(const Poco::Net::HTTPResponse& response, bool& accept_ranges,
                                   std::string& last_modified);

}  // namespace updater::details
