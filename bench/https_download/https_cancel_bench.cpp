// Cancellation latency of the real worker: ferrowick-run fetches an update from nginx on
// loopback through a relay that stalls every connection after 300 kB, which only the
// package transfer reaches (the root probes and the description files are far smaller).
// When the stall begins the stop event is set, and the time until the runner exits is
// taken. The worker logs as it does without a logger configuration.
// Targets: every try cancelled (exit code 253), median under 100 ms. Exits 1 when a
// target is missed.
//
//   https_cancel_bench [tries, default 20]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/stop_latency_report.h"
#include "common/handle_holder.h"
#include "common/text.h"
#include "common/winapi/sync/events.h"
#include "support/child_process.h"
#include "support/nginx_server.h"
#include "support/tcp_relay.h"
#include "support/temp_directory.h"
#include "support/tls_certificate.h"
#include "support/update_source.h"

namespace {

constexpr double max_median_milliseconds = 100;
constexpr int expected_exit_code = 253;  // the worker's -3: cancelled
constexpr size_t stall_after_bytes = 300 * 1000;
constexpr size_t package_size = 8 * 1024 * 1024;
constexpr char package_name[] = "base_17_full.upd";

using clock_type = std::chrono::steady_clock;

struct try_result {
  std::optional<double> milliseconds;  // none: no transfer stalled
  int exit_code = -1;
  std::string error_text;
};

class cancel_bench {
 public:
  cancel_bench() {
    ::setenv("FERROWICK_EVENTS_DIR", (root_.path() / "events").c_str(), 1);
    std::filesystem::create_directories(root_.path() / "events");
    std::filesystem::create_directories(root_.path() / "work");
    // The package is never opened: the transfer is cancelled long before its end.
    const auto folder = root_.path() / "www/update/0";
    std::filesystem::create_directories(folder);
    test_support::write_text(folder / package_name, std::string(package_size, 'p'));
    test_support::write_text(folder / "info2.txt",
                             std::string("antivirus\r\n2024-01-01T00:00:00Z\r\n") + package_name + "\r\n");
    test_support::write_text(folder / "info.txt", "older description\r\n");
    server_.emplace(test_support::nginx_options{
        FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf", root_.path() / "www",
        test_support::make_tls_certificate(root_.path() / "certificate", "KOVA cancel bench"), ""});
  }

  try_result run_once(int index) const {
    const std::string event_name = "https-cancel-bench-" + std::to_string(index);
    const auto destination = root_.path() / ("destination-" + std::to_string(index));
    std::filesystem::create_directories(destination);

    std::promise<clock_type::time_point> stall_began;
    std::once_flag first_stall;
    const auto set_stop_event = [&] {
      std::call_once(first_stall, [&] {
        stall_began.set_value(clock_type::now());
        // The runner has made the event by now; it is set by name, as ferrowick-event does.
        const common::handle_holder stop_event(
            winapi::open_event(winapi::event_modify_state | winapi::synchronize, common::utf8_to_utf16(event_name)));
        winapi::set_event(stop_event.get());
      });
    };
    std::future<clock_type::time_point> stall_time = stall_began.get_future();
    try_result result;
    {
      const test_support::tcp_relay relay(
          server_->port(),
          test_support::tcp_relay::stall_after(stall_after_bytes, std::numeric_limits<size_t>::max(), set_stop_event));
      const test_support::child_result runner = test_support::run_child(
          FERROWICK_BINARY_DIR "/src/tools/ferrowick-run", runner_options(relay.port(), event_name, destination));
      const auto exited = clock_type::now();
      result.exit_code = runner.exit_code;
      result.error_text = runner.stderr_text;
      if (stall_time.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        result.milliseconds = std::chrono::duration<double, std::milli>(exited - stall_time.get()).count();
      }
    }
    return result;
  }

 private:
  test_support::child_options runner_options(uint16_t port, const std::string& event_name,
                                             const std::filesystem::path& destination) const {
    const std::string work = (root_.path() / "work").string();
    return {.arguments = {"--worker",
                          FERROWICK_BINARY_DIR "/src/ferrowick/ferrowick",
                          "--configs-dir",
                          work,
                          "--logs-dir",
                          work,
                          "--source",
                          "https",
                          "--host",
                          "127.0.0.1",
                          "--port",
                          std::to_string(port),
                          "--block-size",
                          "1048576",
                          "--max-retries",
                          "1",
                          "--dest-dir",
                          destination.string(),
                          "--pub",
                          FERROWICK_SOURCE_DIR "/demo/keys/parameter.public.b64",
                          "--previous-release",
                          "2016-01-01T00:00:00Z",
                          "--stop-event",
                          event_name},
            .stdin_bytes = {},
            .stdin_file = {},
            .environment = {},
            .timeout = std::chrono::seconds(60)};
  }

  test_support::temp_directory root_;
  std::optional<test_support::nginx_server> server_;
};

}  // namespace

int main(int argc, char** argv) {
  const int tries = argc > 1 ? std::stoi(argv[1]) : 20;
  const cancel_bench bench;
  std::printf(
      "ferrowick-run through a relay stalling each connection after %zu bytes; stop event set when the "
      "stall begins; %d tries\n",
      stall_after_bytes, tries);
  std::vector<double> latencies;
  bool all_cancelled = true;
  for (int index = 1; index <= tries; ++index) {
    const try_result result = bench.run_once(index);
    all_cancelled = all_cancelled && result.milliseconds && result.exit_code == expected_exit_code;
    if (!result.milliseconds) {
      std::printf("try %2d: no transfer stalled, exit code %d\n%s", index, result.exit_code, result.error_text.c_str());
      continue;
    }
    latencies.push_back(*result.milliseconds);
    std::printf("try %2d: %.1f ms, exit code %d\n", index, *result.milliseconds, result.exit_code);
  }
  return report_stop_latencies(latencies, max_median_milliseconds, "exit code", expected_exit_code, all_cancelled);
}
