// The loopback servers the HTTPS tests and the demo run against: the certificate maker,
// nginx with the publisher's configuration, tinyproxy, and the fault-injecting relay.
#include <Poco/Net/Context.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Net/X509Certificate.h>
#include <Poco/StreamCopier.h>
#include <Poco/Timestamp.h>
#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/nginx_server.h"
#include "support/tcp_relay.h"
#include "support/temp_directory.h"
#include "support/tinyproxy_server.h"
#include "support/tls_certificate.h"
#include "support/update_source.h"

namespace {

using namespace std::chrono_literals;
using test_support::tcp_relay;

const std::filesystem::path configuration_template = FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf";
const char common_name[] = "KOVA test update server";

std::string numbered_bytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

// Trusts whatever the test servers present, and speaks TLS 1.2 only, as the worker does.
Poco::Net::Context::Ptr tls12_client_context() {
  Poco::Net::Context::Ptr context =
      new Poco::Net::Context(Poco::Net::Context::TLSV1_2_CLIENT_USE, "", Poco::Net::Context::VERIFY_NONE);
  context->enableExtendedCertificateVerification(false);
  SSL_CTX_set_max_proto_version(context->sslContext(), TLS1_2_VERSION);
  return context;
}

// Sizes first, so that a failure does not print long byte strings whole.
void expect_bytes(const std::string& actual, const std::string& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  EXPECT_TRUE(actual == expected) << "same size, other bytes";
}

struct reply {
  Poco::Net::HTTPResponse response;
  std::string body;
};

// One GET on a fresh session with "Connection: close", as the worker sends it.
reply get(Poco::Net::HTTPSClientSession& session, const std::string& path, const std::string& range = "") {
  Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, path, Poco::Net::HTTPMessage::HTTP_1_1);
  request.setKeepAlive(false);
  if (!range.empty()) request.set("RANGE", range);
  session.sendRequest(request);
  reply result;
  Poco::StreamCopier::copyToString(session.receiveResponse(result.response), result.body);
  return result;
}

// A document root with one package in the update folder of version 0.
class served_files : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root() / "update/0/utils");
    test_support::write_text(root() / "update/0/base.upd", package);
  }

  std::filesystem::path root() const { return directory.path() / "root"; }

  test_support::nginx_server start_nginx(const std::string& extra_directives = "") const {
    return test_support::nginx_server({configuration_template, root(),
                                       test_support::make_tls_certificate(directory.path() / "tls", common_name),
                                       extra_directives});
  }

  test_support::temp_directory directory;
  const std::string package = numbered_bytes(100000);
  const Poco::Net::Context::Ptr context = tls12_client_context();
};

TEST(TlsCertificate, IsSelfSignedWithTheCommonNameAndTheValidityWindow) {
  struct certificate_case {
    const char* name;
    test_support::validity_window window;
  };
  const certificate_case cases[] = {
      {"KOVA valid now", {-1h, 24h}},
      {"KOVA expired", {-48h, -24h}},
      {"update.marvenholt.example not yet valid", {24h, 48h}},
  };
  const test_support::temp_directory directory;
  for (const certificate_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::time_t now = Poco::Timestamp().epochTime();
    const auto files = test_support::make_tls_certificate(directory.path() / c.name, c.name, c.window);
    const Poco::Net::X509Certificate certificate(files.certificate_file.string());
    EXPECT_EQ(certificate.commonName(), c.name);
    EXPECT_EQ(certificate.issuerName(), certificate.subjectName());
    EXPECT_NEAR(certificate.validFrom().timestamp().epochTime(), now + c.window.valid_from.count(), 5);
    EXPECT_NEAR(certificate.expiresOn().timestamp().epochTime(), now + c.window.valid_until.count(), 5);
    EXPECT_TRUE(std::filesystem::is_regular_file(files.key_file));
  }
}

using NginxServer = served_files;

TEST_F(NginxServer, ServesTheRootTheFilesAndTheirRangesAsConfigured) {
  struct nginx_case {
    const char* name;
    std::string extra_directives;
    std::string range;
    int status;
    size_t body_offset;
    bool accepts_ranges;
    bool has_length;
  };
  const nginx_case cases[] = {
      {"whole file", "", "", 200, 0, true, true},
      {"resumed", "", "bytes=10-", 206, 10, false, true},
      {"ranges switched off", "max_ranges 0;", "bytes=10-", 200, 0, false, true},
      {"chunked", test_support::chunked_body_directives, "bytes=10-", 200, 0, false, false},
  };
  for (const nginx_case& c : cases) {
    SCOPED_TRACE(c.name);
    const test_support::nginx_server nginx = start_nginx(c.extra_directives);
    Poco::Net::HTTPSClientSession session("127.0.0.1", nginx.port(), context);
    EXPECT_EQ(get(session, "/").response.getStatus(), Poco::Net::HTTPResponse::HTTP_OK);
    EXPECT_EQ(session.serverCertificate().commonName(), common_name);
    EXPECT_EQ(get(session, "/update/0/missing.upd").response.getStatus(), Poco::Net::HTTPResponse::HTTP_NOT_FOUND);

    const reply file = get(session, "/update/0/base.upd", c.range);
    EXPECT_EQ(file.response.getStatus(), c.status);
    expect_bytes(file.body, package.substr(c.body_offset));
    EXPECT_EQ(file.response.get("Accept-Ranges", ""), c.accepts_ranges ? "bytes" : "");
    EXPECT_EQ(file.response.hasContentLength(), c.has_length);
    EXPECT_EQ(file.response.getChunkedTransferEncoding(), !c.has_length);
    EXPECT_TRUE(file.response.has("Last-Modified"));
  }
}

using TinyproxyServer = served_files;

TEST_F(TinyproxyServer, TunnelsToTheUpdateServerOnlyWithTheConfiguredCredentials) {
  struct proxy_case {
    const char* name;
    std::optional<test_support::proxy_credentials> configured;
    std::optional<test_support::proxy_credentials> sent;
    bool tunnels;
  };
  const test_support::proxy_credentials user{"updater", "s3cret"};
  const proxy_case cases[] = {
      {"open proxy", std::nullopt, std::nullopt, true},
      {"credentials missing", user, std::nullopt, false},
      {"wrong password", user, test_support::proxy_credentials{"updater", "wrong"}, false},
      {"right credentials", user, user, true},
  };
  const test_support::nginx_server nginx = start_nginx();
  for (const proxy_case& c : cases) {
    SCOPED_TRACE(c.name);
    const test_support::tinyproxy_server proxy(c.configured);
    Poco::Net::HTTPSClientSession session("127.0.0.1", nginx.port(), context);
    session.setProxy("127.0.0.1", proxy.port());
    if (c.sent) session.setProxyCredentials(c.sent->user, c.sent->password);
    if (c.tunnels) {
      expect_bytes(get(session, "/update/0/base.upd").body, package);
    } else {
      EXPECT_THROW(get(session, "/update/0/base.upd"), Poco::Net::HTTPException);  // 407 to the CONNECT
    }
  }
}

std::string receive_up_to(Poco::Net::StreamSocket& socket, size_t count) {
  std::string bytes;
  char buffer[4096];
  while (bytes.size() < count) {
    const int received = socket.receiveBytes(buffer, static_cast<int>(std::min(sizeof buffer, count - bytes.size())));
    if (received <= 0) break;
    bytes.append(buffer, static_cast<size_t>(received));
  }
  return bytes;
}

std::string receive_to_end(Poco::Net::StreamSocket& socket) { return receive_up_to(socket, SIZE_MAX); }

// The relay stands between a client socket and a target socket of the test, so the bytes
// of every connection can be counted exactly: the target answers each connection's
// "ping" with 1000 bytes and closes.
TEST(TcpRelay, PassesCutsStallsOrRefusesConnectionsAsConfigured) {
  std::atomic<int> faults = 0;
  const auto count_fault = [&] { ++faults; };
  struct relay_case {
    const char* name;
    tcp_relay::options options;
    std::vector<size_t> bytes_per_connection;  // what each client receives
    bool stalled;                              // the only connection ends with the relay
  };
  tcp_relay::options cut_the_second = tcp_relay::cut_after(300, 1, count_fault);
  cut_the_second.passed_connections = 1;
  const relay_case cases[] = {
      {"pass through", {}, {1000, 1000}, false},
      {"cut the first connection", tcp_relay::cut_after(300, 1, count_fault), {300, 1000}, false},
      {"cut only the second connection", cut_the_second, {1000, 300, 1000}, false},
      {"cut every connection", tcp_relay::cut_after(20, SIZE_MAX, count_fault), {20, 20}, false},
      {"stall", tcp_relay::stall_after(300, SIZE_MAX, count_fault), {300}, true},
  };
  const std::string answer = numbered_bytes(1000);
  for (const relay_case& c : cases) {
    SCOPED_TRACE(c.name);
    faults = 0;
    Poco::Net::ServerSocket target(Poco::Net::SocketAddress("127.0.0.1", 0));
    std::optional<tcp_relay> relay(std::in_place, target.address().port(), c.options);
    int expected_cuts = 0;
    for (const size_t expected : c.bytes_per_connection) {
      Poco::Net::StreamSocket client(Poco::Net::SocketAddress("127.0.0.1", relay->port()));
      client.setReceiveTimeout(Poco::Timespan(20, 0));
      Poco::Net::StreamSocket served = target.acceptConnection();
      served.setReceiveTimeout(Poco::Timespan(20, 0));
      client.sendBytes("ping", 4);
      EXPECT_EQ(receive_up_to(served, 4), "ping");
      served.sendBytes(answer.data(), static_cast<int>(answer.size()));
      served.shutdownSend();
      if (c.stalled) {
        expect_bytes(receive_up_to(client, expected), answer.substr(0, expected));
        // Neither more bytes nor the end while the relay lives.
        EXPECT_FALSE(client.poll(Poco::Timespan(0), Poco::Net::Socket::SELECT_READ));
        relay.reset();
        EXPECT_EQ(receive_to_end(client), "");
        EXPECT_EQ(faults, 1);
        break;
      }
      expect_bytes(receive_to_end(client), answer.substr(0, expected));
      // The callback has run before the client sees the cut.
      if (expected < answer.size()) ++expected_cuts;
      EXPECT_EQ(faults, expected_cuts);
    }
    if (relay) {
      EXPECT_EQ(relay->connections_accepted(), c.bytes_per_connection.size());
    }
  }

  const tcp_relay refusing(1, tcp_relay::refusing());
  EXPECT_THROW(Poco::Net::StreamSocket(Poco::Net::SocketAddress("127.0.0.1", refusing.port())),
               Poco::Net::ConnectionRefusedException);
  EXPECT_EQ(refusing.connections_accepted(), 0u);
}

}  // namespace
