#include "updater_lib/details/https/http_exchange.h"

#include <Poco/Exception.h>
#include <Poco/URI.h>

#include "common/text.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/https/https_session.h"
#include "updater_lib/details/https/internal_downloader_exception.h"

namespace updater::details {

std::unique_ptr<Poco::Net::HTTPRequest> create_http_request(const std::u16string& url,
                                                            const Poco::Net::NameValueCollection& cookies,
                                                            uint64_t offset) {
  FW_LOG_SCOPE();
  const Poco::URI uri(common::utf16_to_utf8(url));
  auto request = std::make_unique<Poco::Net::HTTPRequest>(Poco::Net::HTTPRequest::HTTP_GET, uri.getPathEtc(),
                                                          Poco::Net::HTTPMessage::HTTP_1_1);
  request->setCookies(cookies);
  request->setKeepAlive(false);
  if (offset != 0) {
    FW_LOG(cpplogger::level_trace) << "Restarting download from " << offset;
    request->set("RANGE", "bytes=" + std::to_string(static_cast<int64_t>(offset)) + "-");
  }
  return request;
}

std::istream& send_request(Poco::Net::HTTPSClientSession& session, Poco::Net::HTTPRequest& request,
                           Poco::Net::HTTPResponse& response) {
  reset_certificate_refusal();
  try {
    session.sendRequest(request);
    return session.receiveResponse(response);
  } catch (const Poco::Exception& e) {
    raise_if_certificate_refused(e);
    throw;
  }
}

void check_https_session(const Poco::Net::HTTPSClientSession& session) {
  FW_LOG_SCOPE();
  if (!session.secure()) FW_THROW(common::application_exception(common::error_non_secure_connection));
}

void check_http_response(const Poco::Net::HTTPResponse& response, const std::u16string& url) {
  FW_LOG_SCOPE();
  const Poco::Net::HTTPResponse::HTTPStatus status = response.getStatus();
  if (status == Poco::Net::HTTPResponse::HTTP_OK || status == Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT) return;
  if (status == Poco::Net::HTTPResponse::HTTP_NOT_FOUND) {
    FW_THROW(internal_downloader_exception(common::error_file_not_on_server, url));
  }
  const std::u16string reason = common::utf8_to_utf16_lenient(Poco::Net::HTTPResponse::getReasonForStatus(status));
  FW_THROW(common::application_exception(common::error_unexpected_http_status, {reason}),
           "status: ", static_cast<int>(status), "; reason: ", reason);
}

bool range_starts_at(const Poco::Net::HTTPResponse& response, uint64_t offset) {
  const std::string range = response.get("Content-Range", "");
  return range.starts_with("bytes " + std::to_string(offset) + "-");
}

uint64_t update_session_properties(const Poco::Net::HTTPResponse& response, bool& accept_ranges,
                                   std::string& last_modified) {
  FW_LOG_SCOPE();
  uint64_t content_length = 0;
  if (response.hasContentLength()) {
    const int64_t length = response.getContentLength64();
    if (length < 0) throw Poco::SyntaxException("Negative Content-Length", response.get("Content-Length"));
    content_length = static_cast<uint64_t>(length);
    if (content_length > 0) FW_LOG(cpplogger::level_trace) << "Content-Length = " << content_length;
  }
  for (const auto& [name, value] : response) {
    if (name.starts_with("Accept-Ranges") && value.find("none") == std::string::npos) {
      accept_ranges = true;
      FW_LOG(cpplogger::level_trace) << name << " " << value;
      break;
    }
    if (name.starts_with("Last-Modified")) {
      FW_LOG(cpplogger::level_trace) << name << " " << value;
      if (last_modified.empty()) {
        last_modified = value;
      } else if (last_modified != value) {
        FW_THROW(common::application_exception(common::error_file_modification_date_changed), "old = ", last_modified,
                 "; new = ", value);
      }
    }
  }
  return content_length;
}

}  // namespace updater::details
