// Cancellation latency of the Windows worker under wine: ferrowick-run.exe fetches the
// update from nginx on loopback through a relay that stalls the package transfer; when
// the stall begins, ferrowick-event.exe sets the runner's stop event. Taken is the time
// from the end of ferrowick-event.exe to the end of ferrowick-run.exe, both started by
// wine64 directly.
// Targets: every try cancelled (status 253, the low byte of -3), median under 100 ms.
// Exits 1 when a target is missed.
//
//   wine_cancel_bench [tries, default 20]
#include <cstdio>
#include <string>
#include <vector>

#include "../support/stop_latency_report.h"
#include "wine_task.h"

namespace {

constexpr double max_median_milliseconds = 100;
constexpr int cancelled_status = 253;

}  // namespace

int main(int argc, char** argv) {
  const int tries = argc > 1 ? std::stoi(argv[1]) : 20;
  std::printf(
      "ferrowick-run.exe under wine, package transfer stalled, stop event set by ferrowick-event.exe; %d tries\n",
      tries);
  std::vector<double> latencies;
  bool all_cancelled = true;
  for (int index = 1; index <= tries; ++index) {
    const wine_e2e::task_folder folder;
    int status = -1;
    const auto stop_to_exit = wine_e2e::stop_a_stalled_transfer(
        folder, [&](const wine_e2e::task_options& options) { status = folder.run_task_directly(options); });
    all_cancelled = all_cancelled && stop_to_exit && status == cancelled_status;
    if (!stop_to_exit) {
      std::printf("try %2d: no stall or no stop event, status %d\n", index, status);
      continue;
    }
    latencies.push_back(stop_to_exit->count());
    std::printf("try %2d: %.1f ms, status %d\n", index, stop_to_exit->count(), status);
  }
  return report_stop_latencies(latencies, max_median_milliseconds, "status", cancelled_status, all_cancelled);
}
