// The worker end to end over HTTPS, started by ferrowick-run as the service would start
// it: nginx as the update server, tinyproxy as the proxy, a relay for cuts and stalls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/handle_holder.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/process/process_info.h"
#include "common/winapi/sync/events.h"
#include "support/child_process.h"
#include "support/free_port.h"
#include "support/nginx_server.h"
#include "support/parameter_text.h"
#include "support/tcp_relay.h"
#include "support/temp_directory.h"
#include "support/tinyproxy_server.h"
#include "support/tls_certificate.h"
#include "support/update_source.h"

namespace {

using namespace std::chrono_literals;
using test_support::tcp_relay;

const std::filesystem::path binary_dir = FERROWICK_BINARY_DIR;
constexpr char release[] = "2016-05-17T09:30:00Z";
constexpr char package[] = "base_17_full.upd";

// Every file costs two connections, the probe of the root and the transfer: info2.txt,
// info.txt (404) and then the package. Faults after 300 kB spare the probes and the small
// files and hit the package transfers among the first connections.
constexpr size_t fault_after = 300000;
constexpr size_t connections_before_the_package = 4;

class https_update_e2e : public ::testing::Test {
 protected:
  https_update_e2e() : keys_(test_support::load_demo_keys(FERROWICK_SOURCE_DIR "/demo/keys")) {
    for (const auto& directory :
         {root_.path() / "configs", logs(), folder() / "utils", destination(), utils_destination()}) {
      std::filesystem::create_directories(directory);
    }
    test_support::write_logger_settings(root_.path() / "configs", "logger.xml");
    test_support::write_text(folder() / "info2.txt",
                             std::string("antivirus\r\n") + release + "\r\n" + package + "\r\n");
    // Large enough for transfers to be cut and stalled in the middle.
    test_support::write_package(folder() / package, {{u"bases.dat", std::string(2 * 1024 * 1024, 'b')}}, keys_);
  }

  // The runner makes the stop event; it is set by name, as ferrowick-event does.
  void set_stop_event() const {
    const common::handle_holder event(
        winapi::open_event(winapi::event_modify_state | winapi::synchronize, stop_event_name_));
    EXPECT_TRUE(event.valid() && winapi::set_event(event.get())) << winapi::get_last_error();
  }

  std::filesystem::path folder() const { return root_.path() / "www/update/0"; }
  std::filesystem::path logs() const { return root_.path() / "logs"; }
  std::filesystem::path destination() const { return root_.path() / "destination"; }
  std::filesystem::path utils_destination() const { return root_.path() / "utils destination"; }

  uint16_t start_server(const std::string& extra_directives = "", const std::string& common_name = "KOVA") {
    server_.reset();
    const auto certificate = test_support::make_tls_certificate(root_.path() / "cert", common_name);
    server_.emplace(test_support::nginx_options{FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf",
                                                root_.path() / "www", certificate, extra_directives});
    return server_->port();
  }

  test_support::child_result run(uint16_t port, const std::vector<std::string>& more = {},
                                 const std::map<std::string, std::optional<std::string>>& environment = {}) const {
    test_support::child_options options;
    options.arguments = {"--worker",
                         (binary_dir / "src/ferrowick/ferrowick").string(),
                         "--configs-dir",
                         (root_.path() / "configs").string(),
                         "--main-config",
                         "logger.xml",
                         "--logs-dir",
                         logs().string(),
                         "--source",
                         "https",
                         "--host",
                         "127.0.0.1",
                         "--port",
                         std::to_string(port),
                         "--dest-dir",
                         destination().string(),
                         "--pub",
                         FERROWICK_SOURCE_DIR "/demo/keys/parameter.public.b64",
                         "--stop-event",
                         common::utf16_to_utf8(stop_event_name_),
                         "--previous-release",
                         "2016-01-01T00:00:00Z",
                         "--retry-interval",
                         "0",
                         "--max-retries",
                         "3"};
    options.arguments.insert(options.arguments.end(), more.begin(), more.end());
    options.environment = environment;
    options.environment.emplace("https_proxy", std::nullopt);
    options.environment.emplace("HTTPS_PROXY", std::nullopt);
    return test_support::run_child(binary_dir / "src/tools/ferrowick-run", options);
  }

  void expect_placed(const test_support::child_result& result) const {
    EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
    EXPECT_EQ(result.stdout_text,
              std::string(release) + "\r\n" + (destination() / package).string() + "\r\n\r\n17\r\n");
    EXPECT_TRUE(test_support::read_text(destination() / package) == test_support::read_text(folder() / package));
    EXPECT_EQ(test_support::list_names(destination()), std::vector<std::string>{package});
  }

  // Exit 255 with the error on standard error, and nothing placed or left behind.
  // After a download failure the runner adds, on a line of its own, the cause the worker
  // logged on the way.
  void expect_failure(const test_support::child_result& result, int code, const std::string& message,
                      const std::string& cause = "") const {
    EXPECT_EQ(result.exit_code, 255);
    EXPECT_EQ(result.stdout_text, "");
    const std::string worker_text = "application_exception [code: " + std::to_string(code) + "]\r\n" + message;
    if (cause.empty()) {
      EXPECT_EQ(result.stderr_text, worker_text);
    } else {
      EXPECT_TRUE(result.stderr_text.starts_with(worker_text + "\nferrowick-run: causes the worker logged on the way"))
          << result.stderr_text;
      EXPECT_NE(result.stderr_text.find("\n  ", worker_text.size()), std::string::npos) << result.stderr_text;
      EXPECT_NE(result.stderr_text.find(cause, worker_text.size()), std::string::npos) << result.stderr_text;
    }
    EXPECT_TRUE(test_support::list_names(destination()).empty());
  }

  std::string log_text() const {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(logs())) text += test_support::read_text(entry.path());
    return text;
  }

  test_support::temp_directory root_;
  const test_support::demo_keys keys_;
  const std::u16string stop_event_name_ = common::concat(u"ferrowick-https-e2e-", winapi::current_process_id(), u"-",
                                                         std::chrono::steady_clock::now().time_since_epoch().count());
  std::optional<test_support::nginx_server> server_;
};

TEST_F(https_update_e2e, placed_from_the_server_then_up_to_date) {
  const uint16_t port = start_server();
  expect_placed(run(port, {"--viro-user", "demo user"}));
  const auto again = run(port, {"--previous-release", release});
  EXPECT_EQ(again.exit_code, 254) << again.stderr_text;
  EXPECT_EQ(test_support::list_names(destination()), std::vector<std::string>{package});
}

TEST_F(https_update_e2e, a_folder_written_by_ferrowick_pack_publish_is_placed_then_up_to_date) {
  // The publisher signs with the demo keys, which this build trusts; publishing replaces
  // the description of the release already on the server.
  for (const auto& [name, key] :
       {std::pair{"parameter.key", keys_.parameter_private}, std::pair{"built_in.key", keys_.built_in_private}}) {
    test_support::write_text(root_.path() / name, std::string(key.begin(), key.end()));
  }
  test_support::write_text(root_.path() / "bases.dat", "published bases");
  test_support::child_options publish;
  publish.arguments = {"publish",
                       "--out",
                       (root_.path() / "www").string(),
                       "--release-date",
                       "2026-12-10T06:22:04Z",
                       "--key",
                       (root_.path() / "parameter.key").string(),
                       "--key",
                       (root_.path() / "built_in.key").string(),
                       (root_.path() / "bases.dat").string()};
  const auto published = test_support::run_child(binary_dir / "src/tools/ferrowick-pack", publish);
  ASSERT_EQ(published.exit_code, 0) << published.stderr_text;

  const std::string package = "base_20261210062204_full.upd";
  const uint16_t port = start_server();
  const auto placed = run(port);
  EXPECT_EQ(placed.exit_code, 0) << placed.stderr_text;
  EXPECT_EQ(placed.stdout_text,
            "2026-12-10T06:22:04Z\r\n" + (destination() / package).string() + "\r\n\r\n20261210062204\r\n");
  EXPECT_TRUE(test_support::read_text(destination() / package) == test_support::read_text(folder() / package));
  const auto again = run(port, {"--previous-release", "2026-12-10T06:22:04Z"});
  EXPECT_EQ(again.exit_code, 254) << again.stderr_text;
}

TEST_F(https_update_e2e, placed_through_an_authenticating_proxy_configured_or_from_the_system) {
  const uint16_t port = start_server();
  const test_support::tinyproxy_server proxy(test_support::proxy_credentials{"updater", "s3cret"});
  const std::vector<std::string> credentials = {"--proxy-auth",     "1",     "--proxy-user", "updater",
                                                "--proxy-password", "s3cret"};
  std::vector<std::string> configured = {"--proxy-mode", "custom_proxy", "--proxy-address",
                                         "127.0.0.1",    "--proxy-port", std::to_string(proxy.port())};
  configured.insert(configured.end(), credentials.begin(), credentials.end());
  expect_placed(run(port, configured));

  std::filesystem::remove(destination() / package);
  std::vector<std::string> system = {"--proxy-mode", "system_proxy"};
  system.insert(system.end(), credentials.begin(), credentials.end());
  expect_placed(run(port, system, {{"https_proxy", "http://127.0.0.1:" + std::to_string(proxy.port())}}));
  EXPECT_NE(log_text().find("Proxy mode: system_proxy"), std::string::npos);
}

TEST_F(https_update_e2e, server_mode_takes_the_utility_package_from_the_utils_folder) {
  test_support::write_text(folder() / "info2.txt",
                           std::string("antivirus\r\n") + release + "\r\n" + package + "\r\nutils.upd\r\n");
  test_support::write_text(folder() / "utils/utils.upd", "utility bytes");
  const auto result = run(start_server(), {"--mode", "server", "--utils-host", "127.0.0.1", "--utils-dest-dir",
                                           utils_destination().string()});
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_EQ(test_support::read_text(utils_destination() / "utils.upd"), "utility bytes");
  EXPECT_TRUE(test_support::read_text(destination() / package) == test_support::read_text(folder() / package));
}

TEST_F(https_update_e2e, a_transfer_cut_twice_is_resumed_and_placed_whole) {
  const tcp_relay relay(start_server(), tcp_relay::cut_after(fault_after, connections_before_the_package + 4));
  expect_placed(run(relay.port()));
  const std::string log = log_text();
  EXPECT_NE(log.find("Restarting download from "), std::string::npos);
}

TEST_F(https_update_e2e, faults_end_with_their_codes) {
  const uint16_t port = start_server();
  const std::string server = "Update server (address: 127.0.0.1, port: " + std::to_string(port) + ")";

  std::filesystem::remove(folder() / package);
  expect_failure(run(port), 5655,
                 "File on update server is not available. URL: https://127.0.0.1:" + std::to_string(port) +
                     "/update/0/" + package);
  test_support::write_package(folder() / package, {{u"bases.dat", "bases"}}, keys_);

  const test_support::tinyproxy_server proxy(test_support::proxy_credentials{"updater", "s3cret"});
  const std::string proxy_port = std::to_string(proxy.port());
  expect_failure(run(port, {"--proxy-mode", "custom_proxy", "--proxy-address", "127.0.0.1", "--proxy-port", proxy_port,
                            "--proxy-auth", "1", "--proxy-user", "updater", "--proxy-password", "wrong"}),
                 5654, server + " is unreachable through proxy server (address: 127.0.0.1, port: " + proxy_port + ")",
                 "Cannot establish proxy connection");
  EXPECT_NE(log_text().find("Cannot establish proxy connection"), std::string::npos);

  const std::string closed_port = std::to_string(test_support::free_loopback_port());
  expect_failure(
      run(port, {"--proxy-mode", "custom_proxy", "--proxy-address", "127.0.0.1", "--proxy-port", closed_port}), 5652,
      "Proxy server (address: 127.0.0.1, port: " + closed_port + ") is unreachable");

  expect_failure(run(port, {"--proxy-mode", "system_proxy"}), 5658, "Could not detect system proxy server settings.");

  const uint16_t foreign = start_server("", "other.example");
  expect_failure(run(foreign), 5653,
                 "Update server (address: 127.0.0.1, port: " + std::to_string(foreign) +
                     ") is unreachable. Direct access without proxy",
                 "Server name other.example");
}

TEST_F(https_update_e2e, a_package_changed_between_attempts_ends_in_the_error_list) {
  const tcp_relay relay(start_server(), tcp_relay::cut_after(fault_after, connections_before_the_package + 2, [this] {
                          const auto path = folder() / package;
                          std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - 1h);
                        }));
  const auto result = run(relay.port());
  const std::string changed = "File modification date was changed.";
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_TRUE(
      result.stderr_text.starts_with("application_exception [code: 5629]\r\nError file download. Stack errors:"
                                     "\n\\-> Maximum retry count was reached.\n.\\-> " +
                                     changed + "\n..\\-> " + changed + "\n...\\-> "))
      << result.stderr_text;
  EXPECT_TRUE(test_support::list_names(destination()).empty());
}

TEST_F(https_update_e2e, a_slow_transfer_ends_at_its_deadline) {
  const auto result = run(start_server("limit_rate 64k;"), {"--download-timeout", "1", "--block-size", "4096"});
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.stderr_text,
            "application_exception [code: 5629]\r\nError file download. Stack errors:"
            "\n\\-> File download timeout.\n.\\-> File download timeout.");
  EXPECT_TRUE(test_support::list_names(destination()).empty());
}

// The first connection is the probe of info2.txt's first attempt: its handshake stalls.
TEST_F(https_update_e2e, the_stop_event_ends_a_stalled_probe) {
  std::atomic<std::chrono::steady_clock::rep> stop_set = 0;
  const tcp_relay relay(start_server(), tcp_relay::stall_after(0, 1, [&] {
                          stop_set = std::chrono::steady_clock::now().time_since_epoch().count();
                          set_stop_event();
                        }));
  const auto result = run(relay.port());
  const auto ended = std::chrono::steady_clock::now().time_since_epoch().count();
  std::cout << "stop event to the worker's exit: " << (ended - stop_set) / 1000 << " us\n";
  EXPECT_EQ(result.exit_code, 253) << result.stderr_text;
  EXPECT_NE(log_text().find("Aborting HTTPS session..."), std::string::npos);
}

TEST_F(https_update_e2e, the_stop_event_ends_a_stalled_transfer) {
  const tcp_relay relay(start_server(), tcp_relay::stall_after(fault_after, connections_before_the_package + 2,
                                                               [this] { set_stop_event(); }));
  const auto result = run(relay.port());
  EXPECT_EQ(result.exit_code, 253) << result.stderr_text;
  EXPECT_TRUE(test_support::list_names(destination()).empty());
  EXPECT_NE(log_text().find("Aborting HTTPS session..."), std::string::npos);
}

}  // namespace
