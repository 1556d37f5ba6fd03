// The worker over HTTPS under wine, started by the Windows runner through a real pipe:
// directly and through proxies, a failure, and the stop event during a stalled transfer.
#include <string>

#include "support/free_port.h"
#include "support/tinyproxy_server.h"
#include "wine_e2e_fixture.h"

namespace {

using wine_e2e::set_option;
using wine_e2e::windows_result;

using https_update_under_wine = wine_e2e_fixture;

TEST_F(https_update_under_wine, placed_from_the_server_then_up_to_date_as_minus_two) {
  task_options options = https_task(wine_e2e::update_server_port());
  expect_placed(run_task(options));

  set_option(options, "previous-release", wine_e2e::release);
  const windows_result again = run_task(options);
  EXPECT_EQ(again.exit_code, -2) << again.stderr_text;
  EXPECT_EQ(again.stdout_text, "");
  EXPECT_EQ(test_support::list_names(destination()), std::vector<std::string>{wine_e2e::package});
}

TEST_F(https_update_under_wine, placed_through_an_authenticating_proxy_configured_or_from_the_system) {
  const test_support::tinyproxy_server proxy(test_support::proxy_credentials{"updater", "s3cret"});
  task_options options = https_task(wine_e2e::update_server_port());
  set_option(options, "proxy-auth", "1");
  set_option(options, "proxy-user", "updater");
  // The runner takes no password from a task file.
  const wine_e2e::wine_programs::environment password = {{"FERROWICK_PROXY_PASSWORD", "s3cret"}};
  task_options configured = options;
  set_option(configured, "proxy-mode", "custom_proxy");
  set_option(configured, "proxy-address", "127.0.0.1");
  set_option(configured, "proxy-port", std::to_string(proxy.port()));
  expect_placed(run_task(configured, password));

  // Without a proxy in the registry the run fails (5658): what places it is the setting.
  std::filesystem::remove(destination() / wine_e2e::package);
  const wine_e2e::wine_programs& programs = wine_e2e::wine_programs::get();
  programs.set_user_proxy("127.0.0.1:" + std::to_string(proxy.port()));
  set_option(options, "proxy-mode", "system_proxy");
  const windows_result through_the_system = run_task(options, password);
  programs.set_user_proxy(std::nullopt);
  expect_placed(through_the_system);
  EXPECT_NE(log_text().find("Proxy mode: system_proxy"), std::string::npos);
}

TEST_F(https_update_under_wine, a_failure_ends_with_minus_one_and_the_worker_text) {
  const std::string closed_port = std::to_string(test_support::free_loopback_port());
  task_options options = https_task(wine_e2e::update_server_port());
  set_option(options, "proxy-mode", "custom_proxy");
  set_option(options, "proxy-address", "127.0.0.1");
  set_option(options, "proxy-port", closed_port);
  const windows_result result = run_task(options);
  EXPECT_EQ(result.exit_code, -1);
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "application_exception [code: 5652]\r\nProxy server (address: 127.0.0.1, port: " +
                                    closed_port + ") is unreachable");
  EXPECT_TRUE(test_support::list_names(destination()).empty());
}

TEST_F(https_update_under_wine, the_stop_event_ends_a_stalled_transfer_with_minus_three) {
  windows_result result;
  // The latency is bench/wine_e2e's measure: through cmd, wine's hold on the ended
  // worker's descriptors adds about 2 s here.
  const auto stop_to_exit =
      wine_e2e::stop_a_stalled_transfer(*this, [&](const task_options& options) { result = run_task(options); });
  ASSERT_TRUE(stop_to_exit) << "no stall, or ferrowick-event.exe could not set the event\n" << result.stderr_text;
  EXPECT_EQ(result.exit_code, -3) << result.stderr_text;
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_TRUE(test_support::list_names(destination()).empty());
  EXPECT_NE(log_text().find("Aborting HTTPS session..."), std::string::npos);
}

}  // namespace
