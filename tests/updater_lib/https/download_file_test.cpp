// updater::download_file against real servers on loopback: nginx as the update server,
// tinyproxy as the proxy, and a relay in between for cuts and stalls.
#include "updater_lib/details/https/download_file.h"

#include <Poco/Exception.h>
#include <Poco/Net/HTTPResponse.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <vector>

#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/sync/events.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "support/environment_variable.h"
#include "support/free_port.h"
#include "support/log_capture.h"
#include "support/nginx_server.h"
#include "support/tcp_relay.h"
#include "support/temp_directory.h"
#include "support/tinyproxy_server.h"
#include "support/tls_certificate.h"
#include "support/update_source.h"
#include "updater_lib/details/https/http_exchange.h"
#include "updater_lib/details/https/https_session.h"

namespace {

using namespace std::chrono_literals;
using test_support::tcp_relay;

constexpr char file_name[] = "bases.upd";
constexpr size_t file_size = 3 * 1024 * 1024 + 123;

std::string random_bytes(size_t size) {
  std::mt19937 generator(7);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

class download_file_test : public ::testing::Test {
 protected:
  void SetUp() override {
    stop_event_ = common::handle_holder(winapi::create_named_event(u"download-stop", false));
    ASSERT_TRUE(stop_event_.valid());
    std::filesystem::create_directories(folder());
    test_support::write_text(folder() / file_name, served_);
    parameters_.block_size = 65536;
    parameters_.file_download_timeout_sec = 60;
    parameters_.max_retry_count = 3;
    parameters_.viro_user_name = u"tester";
  }
  // A stop event not yet set, for the next download.
  void renew_stop_event() {
    stop_event_.close();
    ASSERT_TRUE(winapi::delete_named_event(u"download-stop"));
    stop_event_ = common::handle_holder(winapi::create_named_event(u"download-stop", false));
    ASSERT_TRUE(stop_event_.valid());
  }

  std::filesystem::path folder() const { return root_.path() / "www/update/0"; }

  // nginx with the publisher's configuration and a certificate it accepts (or another).
  test_support::nginx_server& start_server(const std::string& extra_directives = "",
                                           const std::string& common_name = "KOVA test server",
                                           const test_support::validity_window& window = {},
                                           const std::string& issuer_common_name = "") {
    const auto certificate = test_support::make_tls_certificate(root_.path() / ("cert" + std::to_string(servers_)),
                                                                common_name, window, issuer_common_name);
    ++servers_;
    server_.emplace(
        test_support::nginx_options{configuration_template_, root_.path() / "www", certificate, extra_directives});
    return *server_;
  }

  std::u16string download(uint16_t port, std::chrono::seconds timeout = 60s) {
    const std::u16string root = common::concat(u"https://127.0.0.1:", port, u"/");
    updater::cancellation_token token(u"download-stop");
    return updater::download_file(root, root + u"update/0", common::utf8_to_utf16(file_name), u"bases.upd.part",
                                  parameters_, destination_.path().u16string(), token, timeout)
        .path;
  }

  // The error a failed download raises, with the text its trace line logged.
  struct failure {
    std::error_code code;
    std::string message;
  };
  failure failed_download(uint16_t port, std::chrono::seconds timeout = 60s) {
    try {
      download(port, timeout);
    } catch (const common::application_exception& e) {
      EXPECT_FALSE(test_support::has_part_file(destination_.path())) << "a partial file was left";
      return {e.code(), e.what()};
    }
    ADD_FAILURE() << "the download succeeded";
    return {};
  }

  void expect_served_file(const std::u16string& path) const {
    EXPECT_EQ(path, (destination_.path() / "bases.upd.part").u16string());
    EXPECT_TRUE(test_support::read_text(path) == served_) << "the downloaded file differs from the served one";
    EXPECT_EQ(test_support::list_names(destination_.path()), std::vector<std::string>{"bases.upd.part"});
    std::filesystem::remove(path);
  }

  const std::string served_ = random_bytes(file_size);
  test_support::temp_directory root_;
  test_support::temp_directory events_;
  test_support::environment_variable events_dir_{"FERROWICK_EVENTS_DIR", events_.path().string()};
  test_support::temp_directory destination_;
  common::handle_holder stop_event_;
  updater::https_parameters parameters_;
  std::filesystem::path configuration_template_ = FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf";
  std::optional<test_support::nginx_server> server_;
  int servers_ = 0;
  test_support::log_capture log_;
};

const std::error_code code(int value) { return common::make_application_error(value); }

size_t count_records(const test_support::log_capture& log, std::u16string_view prefix) {
  size_t count = 0;
  for (const auto& record : log.records()) count += record.text.starts_with(prefix) ? 1 : 0;
  return count;
}

// Each attempt opens two connections: the probe of the root, then the file. Cutting
// after 200 kB spares the small probes and breaks the first two file transfers.
constexpr size_t fault_after = 200000;

tcp_relay::options cut_two_transfers() { return tcp_relay::cut_after(fault_after, 4); }

TEST_F(download_file_test, resumes_after_cuts_where_the_server_grants_ranges) {
  const tcp_relay relay(start_server().port(), cut_two_transfers());
  expect_served_file(download(relay.port()));
  EXPECT_EQ(count_records(log_, u"Restarting download from "), 2u);
  EXPECT_EQ(count_records(log_, u"Starting download..."), 1u);
  EXPECT_TRUE(log_.contains(u"Download attempt # 3"));
}

TEST_F(download_file_test, starts_again_from_byte_zero_without_ranges) {
  const tcp_relay relay(start_server("max_ranges 0;").port(), cut_two_transfers());
  expect_served_file(download(relay.port()));
  EXPECT_EQ(count_records(log_, u"Restarting download from "), 0u);
  EXPECT_EQ(count_records(log_, u"Starting download..."), 3u);
}

TEST_F(download_file_test, a_range_answered_with_the_whole_file_is_written_anew) {
  const tcp_relay relay(start_server("max_ranges 0; add_header Accept-Ranges bytes;").port(), cut_two_transfers());
  expect_served_file(download(relay.port()));
  EXPECT_EQ(count_records(log_, u"Restarting download from "), 2u);
  EXPECT_EQ(count_records(log_, u"The server sent the whole file instead of the range"), 2u);
}

// nginx sends such a body chunked and without Content-Length: a cut is told apart from
// its end, so the attempt fails instead of leaving a short file.
TEST_F(download_file_test, a_chunked_body_cut_short_is_not_complete) {
  const tcp_relay relay(start_server(test_support::chunked_body_directives).port(), cut_two_transfers());
  expect_served_file(download(relay.port()));
  EXPECT_EQ(count_records(log_, u"Starting download..."), 3u);
}

TEST_F(download_file_test, a_file_changed_between_attempts_fails_every_later_attempt) {
  const tcp_relay relay(start_server().port(), tcp_relay::cut_after(fault_after, 2, [this] {
                          const auto path = folder() / file_name;
                          std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - 1h);
                        }));
  const failure error = failed_download(relay.port());
  EXPECT_EQ(error.code, code(common::error_file_download));
  const std::string changed = "File modification date was changed.";
  EXPECT_TRUE(
      error.message.starts_with("Error file download. Stack errors:\n\\-> Maximum retry count was reached.\n.\\-> " +
                                changed + "\n..\\-> " + changed + "\n...\\-> "))
      << error.message;
}

TEST_F(download_file_test, a_missing_file_ends_at_once) {
  std::filesystem::remove(folder() / file_name);
  const failure error = failed_download(start_server().port());
  EXPECT_EQ(error.code, code(common::error_file_not_on_server));
  EXPECT_FALSE(log_.contains(u"Download attempt # 2"));
}

TEST_F(download_file_test, no_attempt_without_retries) {
  parameters_.max_retry_count = 0;
  const tcp_relay relay(start_server().port(), tcp_relay::options{});
  const failure error = failed_download(relay.port());
  EXPECT_EQ(error.message, "Error file download. Stack errors:. Maximum retry count was reached.");
  EXPECT_EQ(relay.connections_accepted(), 0u);
}

TEST_F(download_file_test, certificates_outside_the_rule_make_the_server_unreachable) {
  parameters_.max_retry_count = 1;
  struct row {
    const char* name;
    std::string common_name;
    test_support::validity_window window;
    std::u16string listed;
    std::string issuer_common_name = "";
  };
  const row rows[] = {
      {"expired", "KOVA", {-48h, -24h}, u"Server certificate is expired. Now is '"},
      {"not yet valid", "KOVA", {24h, 48h}, u"Server certificate is from future. Now is '"},
      {"other component", "other.example", {}, u"Update package was designed for other component."},
      // Only the CA has a verification error here; the server's own certificate must
      // meet the rule all the same.
      {"other component under an accepted CA",
       "evil.example",
       {},
       u"Update package was designed for other component.",
       "KOVA CA"},
      // The date library raises on it: the certificate is refused, with the reason listed.
      {"expiry in month 13", "KOVA", {-1h, 24h, true}, u"The server certificate was refused: "},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const uint16_t port = start_server("", r.common_name, r.window, r.issuer_common_name).port();
    const failure error = failed_download(port);
    EXPECT_EQ(error.code, code(common::error_server_unreachable_direct));
    EXPECT_EQ(error.message, "Update server (address: 127.0.0.1, port: " + std::to_string(port) +
                                 ") is unreachable. Direct access without proxy");
    EXPECT_TRUE(log_.contains_substring(r.listed));
  }
}

TEST_F(download_file_test, through_a_proxy_with_basic_authentication) {
  const uint16_t server = start_server().port();
  const test_support::tinyproxy_server proxy(test_support::proxy_credentials{"updater", "s3cret"});
  parameters_.max_retry_count = 1;
  parameters_.proxy = {updater::proxy_mode::custom_proxy, u"127.0.0.1", proxy.port(), true, u"updater", u"s3cret"};
  expect_served_file(download(server));

  parameters_.proxy.proxy_password = u"wrong";
  const failure refused = failed_download(server);
  EXPECT_EQ(refused.code, code(common::error_server_unreachable_through_proxy));
  // The proxy's answer is in the list that the final error's trace line carries.
  EXPECT_TRUE(log_.contains_substring(u". HTTP Exception: Cannot establish proxy connection: Unauthorized; "));

  parameters_.proxy.proxy_port = test_support::free_loopback_port();
  const failure down = failed_download(server);
  EXPECT_EQ(down.code, code(common::error_proxy_unreachable));
  EXPECT_EQ(down.message, "Proxy server (address: 127.0.0.1, port: " + std::to_string(parameters_.proxy.proxy_port) +
                              ") is unreachable");
}

TEST_F(download_file_test, through_the_system_proxy_of_the_environment) {
  const uint16_t server = start_server().port();
  const test_support::tinyproxy_server proxy;
  parameters_.proxy.proxy_mode = updater::proxy_mode::system_proxy;
  test_support::environment_variable https_proxy("https_proxy",
                                                 "http://127.0.0.1:" + std::to_string(proxy.port()) + "/");
  expect_served_file(download(server));
  EXPECT_TRUE(log_.contains(common::concat(u"Parsing proxy string: \"127.0.0.1:", proxy.port(), u"\"")));

  https_proxy.set(std::nullopt);
  const test_support::environment_variable upper_case_proxy("HTTPS_PROXY", std::nullopt);
  EXPECT_EQ(failed_download(server).code, code(common::error_system_proxy_not_detected));
}

TEST_F(download_file_test, an_unreachable_proxy_passes_on_to_the_next_variant) {
  const uint16_t server = start_server().port();
  const test_support::tinyproxy_server proxy;
  const std::string down = std::to_string(test_support::free_loopback_port());
  const std::string unreachable = "Proxy server (address: 127.0.0.1, port: " + down + ") is unreachable";
  parameters_.proxy.proxy_mode = updater::proxy_mode::system_proxy;
  parameters_.max_retry_count = 1;
  const test_support::environment_variable https_proxy(
      "https_proxy", "127.0.0.1:" + down + ";127.0.0.1:" + std::to_string(proxy.port()));
  expect_served_file(download(server));
  EXPECT_TRUE(log_.contains(u"Trying next proxy... "));
  EXPECT_TRUE(log_.contains(common::utf8_to_utf16("Can't download file. Error: " + unreachable)));

  // The last variant's own error is raised, with the earlier ones in its trace line.
  const std::string also_down = std::to_string(test_support::free_loopback_port());
  https_proxy.set("127.0.0.1:" + down + " 127.0.0.1:" + also_down);
  const failure error = failed_download(server);
  EXPECT_EQ(error.code, code(common::error_proxy_unreachable));
  EXPECT_EQ(error.message, "Proxy server (address: 127.0.0.1, port: " + also_down + ") is unreachable");
  EXPECT_TRUE(log_.contains_substring(common::utf8_to_utf16(". " + unreachable + "; " + error.message)));
}

TEST_F(download_file_test, a_slow_transfer_ends_at_the_deadline) {
  parameters_.block_size = 4096;
  const failure error = failed_download(start_server("limit_rate 256k;").port(), 1s);
  EXPECT_EQ(error.code, code(common::error_file_download));
  // The copy and then the variant report the deadline.
  EXPECT_EQ(error.message,
            "Error file download. Stack errors:\n\\-> File download timeout.\n.\\-> File download timeout.");
}

// A pause that outlasts the deadline ends the variant; another attempt would only
// probe, request and delete what the first one kept.
TEST_F(download_file_test, no_attempt_starts_after_the_deadline) {
  parameters_.time_between_retries_sec = 2;
  const tcp_relay relay(start_server().port(), cut_two_transfers());
  const failure error = failed_download(relay.port(), 1s);
  EXPECT_EQ(error.code, code(common::error_file_download));
  EXPECT_TRUE(error.message.starts_with("Error file download. Stack errors:\n\\-> File download timeout.\n"))
      << error.message;
  EXPECT_TRUE(log_.contains(u"Download attempt # 1"));
  EXPECT_FALSE(log_.contains(u"Download attempt # 2"));
}

// nginx answers every ranged request for the file with a 206 of other bytes.
TEST_F(download_file_test, a_range_other_than_the_one_asked_for_starts_again_from_byte_zero) {
  const tcp_relay relay(
      start_server("location = /update/0/bases.upd { if ($http_range) { add_header Content-Range \"bytes 0-6/7\"; "
                   "return 206 \"spliced\"; } }")
          .port(),
      cut_two_transfers());
  expect_served_file(download(relay.port()));
  EXPECT_TRUE(log_.contains(u"Restarting download from the beginning"));
  EXPECT_EQ(count_records(log_, u"Starting download..."), 2u);
}

// A write that fails part-way (here at the file size limit) leaves bytes on disk that
// the resumed transfer must not follow.
TEST_F(download_file_test, a_resumed_transfer_continues_after_the_counted_bytes) {
  constexpr rlim_t size_limit = 100000;  // within the second block of 65536 bytes
  const uint16_t server = start_server().port();
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = original;
  limited.rlim_cur = size_limit;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  // Connections 0 and 1 are the first attempt's probe and transfer.
  tcp_relay::options lift_at_the_second_attempt;
  lift_at_the_second_attempt.on_connection = [&](size_t number) {
    if (number == 2) ::setrlimit(RLIMIT_FSIZE, &original);
  };
  const tcp_relay relay(server, lift_at_the_second_attempt);
  const std::u16string path = download(relay.port());
  ::setrlimit(RLIMIT_FSIZE, &original);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_TRUE(log_.contains(u"Restarting download from 65536"));
  expect_served_file(path);
}

TEST_F(download_file_test, sessions_speak_tls_1_2_to_a_server_offering_1_3) {
  std::string configuration = test_support::read_text(configuration_template_);
  const std::string tls_1_2 = "ssl_protocols TLSv1.2;";
  const size_t at = configuration.find(tls_1_2);
  ASSERT_NE(at, std::string::npos);
  configuration.replace(at, tls_1_2.size(), "ssl_protocols TLSv1.2 TLSv1.3;");
  configuration_template_ = root_.path() / "tls-1.3.conf";
  test_support::write_text(configuration_template_, configuration);
  const uint16_t port =
      start_server("add_header X-Protocol $ssl_protocol always; add_header X-Cipher $ssl_cipher always;").port();
  const std::u16string root = common::concat(u"https://127.0.0.1:", port, u"/");
  const auto session = updater::details::setup_https_session(root, parameters_.block_size, parameters_.proxy);
  const auto request = updater::details::create_http_request(root, {}, 0);
  Poco::Net::HTTPResponse response;
  updater::details::send_request(*session, *request, response);
  EXPECT_EQ(response.get("X-Protocol", ""), "TLSv1.2");
  // The strongest suite the list allows for the server's EC key.
  EXPECT_EQ(response.get("X-Cipher", ""), "ECDHE-ECDSA-AES256-GCM-SHA384");
}

using steady_ticks = std::atomic<std::chrono::steady_clock::rep>;

steady_ticks::value_type now_ticks() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

std::chrono::milliseconds since(const steady_ticks& start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::duration(now_ticks() - start.load()));
}

// One blocking step stalled by a relay in front of nginx, or in front of tinyproxy when
// the step is the proxy's CONNECT exchange.
struct stalled_step {
  const char* name;
  bool at_the_proxy;
  size_t passed_connections;  // each attempt: proxy probe (if any), server probe, file
  size_t after_bytes;
};

// The way to the server with the step's stall on it: the relay records when the stall
// began and runs then_do.
struct stalled_way {
  stalled_way(const stalled_step& step, uint16_t server, uint16_t proxy, std::function<void()> then_do = {})
      : relay(step.at_the_proxy ? proxy : server, stall_options(step, std::move(then_do))),
        server_port(step.at_the_proxy ? server : relay.port()) {
    if (!step.at_the_proxy) return;
    proxy_variant.proxy_mode = updater::proxy_mode::custom_proxy;
    proxy_variant.proxy_address = u"127.0.0.1";
    proxy_variant.proxy_port = relay.port();
  }

  tcp_relay::options stall_options(const stalled_step& step, std::function<void()> then_do) {
    tcp_relay::options options = tcp_relay::stall_after(step.after_bytes, 1, [this, then_do = std::move(then_do)] {
      stall_began = now_ticks();
      if (then_do) then_do();
    });
    options.passed_connections = step.passed_connections;
    return options;
  }

  steady_ticks stall_began = 0;
  const tcp_relay relay;
  const uint16_t server_port;
  updater::proxy_parameters proxy_variant;
};

// The session time-out is at least 30 s: each blocked step must end long before.
constexpr auto prompt_end = 1s;

TEST_F(download_file_test, the_stop_event_aborts_every_stalled_step) {
  const uint16_t server = start_server().port();
  const test_support::tinyproxy_server proxy;
  const stalled_step steps[] = {
      {"CONNECT tunnel", true, 1, 0},
      {"TLS handshake of the server probe", false, 0, 0},
      {"TLS handshake of the transfer", false, 1, 0},
      {"body", false, 1, fault_after},
  };
  for (const stalled_step& step : steps) {
    SCOPED_TRACE(step.name);
    renew_stop_event();
    const stalled_way way(step, server, proxy.port(), [this] { winapi::set_event(stop_event_.get()); });
    parameters_.proxy = way.proxy_variant;
    EXPECT_EQ(failed_download(way.server_port).code, code(common::error_operation_canceled));
    const auto waited = since(way.stall_began);
    std::cout << step.name << ": stop event to 5391 in " << waited.count() << " ms\n";
    EXPECT_LT(waited, prompt_end);
    EXPECT_FALSE(log_.contains(u"Download attempt # 2"));
  }
  EXPECT_TRUE(log_.contains(u"Aborting HTTPS session..."));
}

TEST_F(download_file_test, the_deadline_aborts_a_stalled_transfer_or_tunnel_and_is_listed) {
  const uint16_t server = start_server().port();
  const test_support::tinyproxy_server proxy;
  const stalled_step steps[] = {
      {"body", false, 1, fault_after},
      {"CONNECT tunnel", true, 1, 0},
  };
  for (const stalled_step& step : steps) {
    SCOPED_TRACE(step.name);
    const stalled_way way(step, server, proxy.port());
    parameters_.proxy = way.proxy_variant;
    const failure error = failed_download(way.server_port, 2s);
    std::cout << step.name << ": stall to 5375 in " << since(way.stall_began).count() << " ms\n";
    EXPECT_LT(since(way.stall_began), 2s + prompt_end);
    EXPECT_EQ(error.code, code(common::error_file_download));
    // The attempt's entry names the deadline, not what the abort left of the connection.
    EXPECT_EQ(error.message,
              "Error file download. Stack errors:\n\\-> File download timeout.\n.\\-> File download timeout.");
  }
  EXPECT_TRUE(log_.contains(u"The download's time is up"));
  EXPECT_TRUE(log_.contains(u"Aborting HTTPS session..."));
}

// A session of its own, with a time-out of one second, meets each stall.
TEST_F(download_file_test, a_stalled_read_fails_after_one_session_timeout) {
  constexpr std::chrono::milliseconds timeout = 1s;
  const uint16_t server = start_server().port();
  const test_support::tinyproxy_server proxy;
  const stalled_step steps[] = {
      {"CONNECT tunnel", true, 0, 0},
      {"TLS handshake", false, 0, 0},
      {"body", false, 0, fault_after},
  };
  for (const stalled_step& step : steps) {
    SCOPED_TRACE(step.name);
    const stalled_way way(step, server, proxy.port());
    const std::u16string root = common::concat(u"https://127.0.0.1:", way.server_port, u"/");
    const auto session = updater::details::setup_https_session(root, parameters_.block_size, way.proxy_variant);
    session->setTimeout(Poco::Timespan(std::chrono::microseconds(timeout).count()));
    const auto request =
        updater::details::create_http_request(root + u"update/0/" + common::utf8_to_utf16(file_name), {}, 0);
    try {
      Poco::Net::HTTPResponse response;
      std::istream& body = updater::details::send_request(*session, *request, response);
      body.exceptions(std::ios::badbit);
      std::vector<char> block(65536);
      while (body.read(block.data(), static_cast<std::streamsize>(block.size()))) {
      }
      ADD_FAILURE() << "the stall went unnoticed";
    } catch (const Poco::TimeoutException&) {
    }
    const auto waited = since(way.stall_began);
    std::cout << step.name << ": stall to time-out in " << waited.count() << " ms\n";
    EXPECT_GE(waited, timeout - 100ms);
    EXPECT_LT(waited, timeout * 3 / 2);
  }
}

}  // namespace
