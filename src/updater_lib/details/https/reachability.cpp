#include "updater_lib/details/https/reachability.h"

#include <Poco/Exception.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSession.h>
#include <Poco/Net/SocketAddress.h>

#include "common/text.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "updater_lib/details/https/error_list.h"
#include "updater_lib/details/https/http_exchange.h"
#include "updater_lib/details/https/https_session.h"
#include "updater_lib/details/https/network_startup.h"

namespace updater {

namespace {

// A bare connection: a session only so that the watcher can abort it like the others.
class tcp_probe : public Poco::Net::HTTPSession {
 public:
  explicit tcp_probe(const Poco::Timespan& timeout) { setTimeout(timeout); }
  void connect_and_close(const Poco::Net::SocketAddress& address) {
    connect(address);
    close();
  }
};

}  // namespace

bool is_proxy_server_reachable(const proxy_parameters& proxy, const https_parameters& parameters,
                               details::https_session_slot& slot) {
  FW_LOG_SCOPE();
  details::start_network_once();
  try {
    const Poco::Net::SocketAddress address(common::utf16_to_utf8(proxy.proxy_address), proxy.proxy_port);
    const auto probe =
        std::make_shared<tcp_probe>(Poco::Timespan(details::session_timeout_seconds(parameters.block_size), 0));
    if (!slot.publish(probe)) return false;
    probe->connect_and_close(address);
    return true;
  } catch (const Poco::Exception& e) {
    FW_LOG(cpplogger::level_debug) << e.displayText();
    return false;
  }
}

bool is_remote_server_reachable(const std::u16string& server_root_url, const https_parameters& parameters,
                                const proxy_parameters& proxy, const Poco::Net::NameValueCollection& cookies,
                                std::vector<std::u16string>& errors, details::https_session_slot& slot) {
  FW_LOG_SCOPE();
  FW_LOG(cpplogger::level_trace) << "Server URL: " << server_root_url;
  try {
    const std::shared_ptr<Poco::Net::HTTPSClientSession> session =
        details::setup_https_session(server_root_url, parameters.block_size, proxy);
    if (!slot.publish(session)) return false;
    const auto request = details::create_http_request(server_root_url, cookies, 0);
    Poco::Net::HTTPResponse response;
    details::send_request(*session, *request, response);
    details::check_https_session(*session);
    details::check_http_response(response, server_root_url);
    return true;
  } catch (const Poco::Exception& e) {
    details::append_exception_chain(errors, e);
    FW_LOG(cpplogger::level_debug) << e.displayText();
  } catch (const common::application_exception& e) {
    errors.push_back(e.wide_what());
    FW_LOG(cpplogger::level_debug) << e.wide_what();
  }
  return false;
}

}  // namespace updater
