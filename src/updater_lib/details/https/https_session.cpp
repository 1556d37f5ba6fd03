#include "updater_lib/details/https/https_session.h"

#include <Poco/Net/Context.h>
#include <Poco/Net/InvalidCertificateHandler.h>
#include <Poco/Net/SSLException.h>
#include <Poco/Net/SSLManager.h>
#include <Poco/Timespan.h>
#include <Poco/URI.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "common/text.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/https/abortable_https_session.h"
#include "updater_lib/details/https/default_update_server.h"
#include "updater_lib/details/https/internal_downloader_exception.h"
#include "updater_lib/details/https/network_startup.h"

namespace updater::details {

namespace {

constexpr char cipher_list[] = "ALL:!ADH : !LOW : !EXP : !MD5 : @STRENGTH";
constexpr int32_t bytes_per_timeout_second = 4575;
constexpr int32_t min_timeout_seconds = 30;
constexpr int32_t max_timeout_seconds = 60;

// The handshake runs inside OpenSSL, which an exception must not cross; the callbacks
// record why a certificate was refused here and the failed request raises afterwards.
thread_local std::optional<std::string> foreign_certificate_name;
thread_local std::optional<std::string> certificate_check_failure;

class certificate_handler : public Poco::Net::InvalidCertificateHandler {
 public:
  certificate_handler() : InvalidCertificateHandler(false) {}
  void onInvalidCertificate(const void*, Poco::Net::VerificationErrorArgs& arguments) override {
    try {
      check_server_certificate(arguments);
    } catch (const Poco::Exception& e) {
      arguments.setIgnoreError(false);
      certificate_check_failure = e.displayText();
    } catch (const std::exception& e) {
      arguments.setIgnoreError(false);
      certificate_check_failure = e.what();
    } catch (...) {
      arguments.setIgnoreError(false);
      certificate_check_failure = "unknown error";
    }
  }
};

// Marks, in one verification, that the server's own certificate has met the rule.
int leaf_judged_index() {
  static const int index = X509_STORE_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// The library's own callback, which hands a certificate with a verification error to the
// handler registered with the SSL manager.
struct library_callbacks : Poco::Net::SSLManager {
  using Poco::Net::SSLManager::verifyClientCallback;
};

// Replaces the library's callback, which hands only certificates with verification
// errors to the handler: the server's own certificate must meet the rule also when the
// chain above it verified, or a foreign certificate signed by an accepted one would pass.
int verify_server_certificate(int preverified, X509_STORE_CTX* store) {
  try {
    if (preverified == 0) {
      if (X509_STORE_CTX_get_error_depth(store) == 0) X509_STORE_CTX_set_ex_data(store, leaf_judged_index(), store);
      return library_callbacks::verifyClientCallback(0, store);
    }
    if (X509_STORE_CTX_get_error_depth(store) != 0 ||
        X509_STORE_CTX_get_ex_data(store, leaf_judged_index()) != nullptr) {
      return 1;
    }
    X509_STORE_CTX_set_ex_data(store, leaf_judged_index(), store);
    const int previous_error = X509_STORE_CTX_get_error(store);
    X509_STORE_CTX_set_error(store, X509_V_ERR_APPLICATION_VERIFICATION);
    if (library_callbacks::verifyClientCallback(0, store) == 0) return 0;
    X509_STORE_CTX_set_error(store, previous_error);
    return 1;
  } catch (...) {
    // Nothing may unwind through OpenSSL's frames.
    certificate_check_failure = "the server certificate could not be read";
    return 0;
  }
}

int64_t seconds_since_epoch(const Poco::DateTime& time) { return time.timestamp().epochMicroseconds() / 1000000; }

}  // namespace

int32_t session_timeout_seconds(uint32_t block_size) {
  return std::min(std::max(static_cast<int32_t>(block_size) / bytes_per_timeout_second, min_timeout_seconds),
                  max_timeout_seconds);
}

std::unique_ptr<Poco::Net::HTTPSClientSession> setup_https_session(const std::u16string& url, uint32_t block_size,
                                                                   const proxy_parameters& proxy) {
  FW_LOG_SCOPE();
  start_network_once();
  Poco::Net::Context::Ptr context(new Poco::Net::Context(Poco::Net::Context::TLSV1_2_CLIENT_USE, "",
                                                         Poco::Net::Context::VERIFY_STRICT, 0, false, cipher_list));
  // Host names are not the library's business: every certificate must reach the rule.
  context->enableExtendedCertificateVerification(false);
  // The library's TLS 1.2 usage is only a minimum; under TLS 1.3 the cipher list would
  // not apply.
  SSL_CTX_set_max_proto_version(context->sslContext(), TLS1_2_VERSION);
  SSL_CTX_set_verify(context->sslContext(), SSL_CTX_get_verify_mode(context->sslContext()), verify_server_certificate);
  Poco::Net::SSLManager::instance().initializeClient(nullptr, new certificate_handler, context);

  auto session = std::make_unique<abortable_https_session>(context);
  const Poco::URI uri(common::utf16_to_utf8(url));
  session->setHost(uri.getHost());
  session->setPort(uri.getPort());
  session->setTimeout(Poco::Timespan(session_timeout_seconds(block_size), 0));
  if (proxy.proxy_mode == proxy_mode::custom_proxy) {
    session->setProxyHost(common::utf16_to_utf8(proxy.proxy_address));
    session->setProxyPort(proxy.proxy_port);
    if (proxy.auth_required) {
      session->setProxyCredentials(common::utf16_to_utf8(proxy.proxy_user_name),
                                   common::utf16_to_utf8(proxy.proxy_password));
    }
  }
  return session;
}

bool check_certificate_common_name(const std::string& common_name) {
  return common_name.find(common::utf16_to_utf8(default_update_server_host)) != std::string::npos ||
         common_name.find("KOVA") != std::string::npos;
}

void check_server_certificate(Poco::Net::VerificationErrorArgs& arguments) {
  FW_LOG_SCOPE();
  const Poco::Net::X509Certificate& certificate = arguments.certificate();
  const std::string common_name = certificate.commonName();
  FW_LOG(cpplogger::level_trace) << "Server certificate.errorDepth is: " << arguments.errorDepth();
  FW_LOG(cpplogger::level_trace) << "Error message is: " << arguments.errorMessage();
  FW_LOG(cpplogger::level_trace) << "Server certificate.commonName is: " << common_name;
  FW_LOG(cpplogger::level_trace) << "Server certificate.subjectName is: " << certificate.subjectName();
  FW_LOG(cpplogger::level_trace) << "Server certificate.issuerName is: " << certificate.issuerName();

  const int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  const int64_t expires = seconds_since_epoch(certificate.expiresOn());
  const int64_t valid_from = seconds_since_epoch(certificate.validFrom());
  if (now > expires) {
    FW_LOG(cpplogger::level_debug) << "Server certificate is expired. Now is '" << now
                                   << "', certificate expiration date is " << expires << "'.";
    return;
  }
  if (valid_from > now) {
    FW_LOG(cpplogger::level_debug) << "Server certificate is from future. Now is '" << now
                                   << "', certificate signed date (validFrom) is " << valid_from << "'.";
    return;
  }
  if (check_certificate_common_name(common_name)) {
    arguments.setIgnoreError(true);
    FW_LOG(cpplogger::level_trace) << "Server certificate was validated";
    return;
  }
  foreign_certificate_name = common_name;
}

void reset_certificate_refusal() {
  foreign_certificate_name.reset();
  certificate_check_failure.reset();
}

void raise_if_certificate_refused(const Poco::Exception& handshake_failure) {
  if (const std::optional<std::string> failure = std::exchange(certificate_check_failure, std::nullopt)) {
    throw Poco::Net::CertificateValidationException("The server certificate was refused: " + *failure,
                                                    handshake_failure);
  }
  const std::optional<std::string> common_name = std::exchange(foreign_certificate_name, std::nullopt);
  if (!common_name) return;
  FW_THROW(internal_downloader_exception(common::error_other_component), "Installed product: ", "KOVA",
           ". Server name ", *common_name);
}

Poco::Net::NameValueCollection get_cookies_for_request(const https_parameters& parameters) {
  FW_LOG_SCOPE();
  Poco::Net::NameValueCollection cookies;
  cookies.add("viro_user_name", common::utf16_to_utf8(parameters.viro_user_name));
  return cookies;
}

}  // namespace updater::details
