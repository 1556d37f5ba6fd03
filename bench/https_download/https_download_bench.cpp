// Downloading one file from nginx on loopback over HTTPS with updater::download_file
// (direct, 1 MiB blocks) against `curl -k -s -o FILE` for the same URL, side by side in
// one run, and the resident-memory growth while downloading. The logger stays off, as
// in any process that never sets it up.
// Targets: at most 1.1 times the curl time, under 8 MiB of growth. Exits 1 when a target
// is missed. Processor times are printed beside: on a busy machine they vary less.
//
//   https_download_bench [size in MiB, default 1024] [rounds, default 3]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/process_memory.h"
#include "common/handle_holder.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/sync/events.h"
#include "support/nginx_server.h"
#include "support/temp_directory.h"
#include "support/tls_certificate.h"
#include "updater_lib/details/https/download_file.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace {

using bench_support::reset_peak_resident_memory;
using bench_support::status_kib;

constexpr double max_ratio = 1.1;
constexpr long max_growth_kib = 8 * 1024;
constexpr uint32_t block_size = 1024 * 1024;
constexpr char file_name[] = "bases.bin";
constexpr char16_t stop_event_name[] = u"https-download-bench";

using clock_type = std::chrono::steady_clock;

// TLS does not compress, so one random MiB repeated costs the transfer as much as
// random bytes throughout.
void write_served_file(const std::filesystem::path& path, uint64_t size_mib) {
  std::mt19937_64 generator(7);
  std::vector<uint64_t> block(block_size / sizeof(uint64_t));
  for (auto& word : block) word = generator();
  std::ofstream out(path, std::ios::binary);
  for (uint64_t i = 0; i < size_mib; ++i) out.write(reinterpret_cast<const char*>(block.data()), block_size);
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// User and system seconds of this process (RUSAGE_SELF) or of its waited-for children
// (RUSAGE_CHILDREN).
double cpu_seconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct timing {
  double wall = 0;
  double cpu = 0;
};

timing timing_of(int who, const auto& action) {
  const double cpu_start = cpu_seconds(who);
  const auto start = clock_type::now();
  action();
  return {std::chrono::duration<double>(clock_type::now() - start).count(), cpu_seconds(who) - cpu_start};
}

struct best_timing {
  timing best{1e9, 1e9};
  void keep(const timing& other) {
    best.wall = std::min(best.wall, other.wall);
    best.cpu = std::min(best.cpu, other.cpu);
  }
};

class download_bench {
 public:
  explicit download_bench(uint64_t size_mib)
      : size_(size_mib * block_size), stop_event_(winapi::create_named_event(stop_event_name, false)) {
    if (!stop_event_) throw std::runtime_error("cannot create the stop event");
    const auto folder = root_.path() / "www/update/0";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(downloads());
    write_served_file(folder / file_name, size_mib);
    server_.emplace(test_support::nginx_options{
        FERROWICK_SOURCE_DIR "/demo/nginx/update-server.conf", root_.path() / "www",
        test_support::make_tls_certificate(root_.path() / "certificate", "KOVA download bench"), ""});
    parameters_.block_size = block_size;
    parameters_.file_download_timeout_sec = 600;
    parameters_.max_retry_count = 1;
    parameters_.viro_user_name = u"bench";
  }

  std::string url() const { return "https://127.0.0.1:" + std::to_string(server_->port()) + "/update/0/" + file_name; }
  std::filesystem::path downloads() const { return root_.path() / "downloads"; }
  std::filesystem::path curl_output() const { return downloads() / "curl.bin"; }
  std::filesystem::path own_output() const { return downloads() / file_name; }

  timing curl_run() const {
    std::filesystem::remove(curl_output());
    const std::string command = "curl -k -s -o '" + curl_output().string() + "' " + url();
    const timing result = timing_of(RUSAGE_CHILDREN, [&] {
      if (std::system(command.c_str()) != 0) throw std::runtime_error("curl failed: " + command);
    });
    check_size(curl_output());
    return result;
  }

  timing own_run() {
    std::filesystem::remove(own_output());
    const std::u16string root = common::concat(u"https://127.0.0.1:", server_->port(), u"/");
    updater::cancellation_token token(stop_event_name);
    const timing result = timing_of(RUSAGE_SELF, [&] {
      updater::download_file(root, root + u"update/0", common::utf8_to_utf16(file_name),
                             common::utf8_to_utf16(file_name), parameters_, downloads().u16string(), token,
                             std::chrono::seconds(parameters_.file_download_timeout_sec));
    });
    check_size(own_output());
    return result;
  }

 private:
  // The events directory is set before the stop event is made in it.
  struct events_directory {
    events_directory() { ::setenv("FERROWICK_EVENTS_DIR", path.path().c_str(), 1); }
    test_support::temp_directory path;
  };

  void check_size(const std::filesystem::path& path) const {
    if (std::filesystem::file_size(path) != size_) throw std::runtime_error(path.string() + " is incomplete");
  }

  uint64_t size_;
  test_support::temp_directory root_;
  events_directory events_;
  common::handle_holder stop_event_;  // never set: a cancellation token needs an existing event
  updater::https_parameters parameters_;
  std::optional<test_support::nginx_server> server_;
};

}  // namespace

int main(int argc, char** argv) {
  const uint64_t size_mib = argc > 1 ? std::stoull(argv[1]) : 1024;
  const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
  download_bench bench(size_mib);
  std::printf("%s: %llu MiB from nginx on loopback; block_size %u, logger off; best of %d alternating rounds\n",
              bench.url().c_str(), static_cast<unsigned long long>(size_mib), block_size, rounds);

  // Both read the served file from the page cache; the first download also sets up the
  // TLS library, which the memory figure leaves out.
  bench.curl_run();
  bench.own_run();
  if (std::system(("cmp -s '" + bench.curl_output().string() + "' '" + bench.own_output().string() + "'").c_str()) !=
      0) {
    std::printf("the downloaded file differs from curl's\n");
    return 1;
  }

  best_timing curl;
  best_timing own;
  long growth_kib = 0;
  for (int round = 0; round < rounds; ++round) {
    const timing curl_round = bench.curl_run();
    reset_peak_resident_memory();
    const long before = status_kib("VmRSS");
    const timing own_round = bench.own_run();
    growth_kib = std::max(growth_kib, status_kib("VmHWM") - before);
    curl.keep(curl_round);
    own.keep(own_round);
    std::printf("round %d: curl %.3f s (cpu %.3f s), download_file %.3f s (cpu %.3f s)\n", round + 1, curl_round.wall,
                curl_round.cpu, own_round.wall, own_round.cpu);
  }
  const double ratio = own.best.wall / curl.best.wall;
  std::printf("best: curl %.3f s (%.0f MiB/s), download_file %.3f s (%.0f MiB/s), ratio %.3f (target <= %.2f)\n",
              curl.best.wall, size_mib / curl.best.wall, own.best.wall, size_mib / own.best.wall, ratio, max_ratio);
  std::printf("best cpu: curl %.3f s, download_file %.3f s, ratio %.3f\n", curl.best.cpu, own.best.cpu,
              own.best.cpu / curl.best.cpu);
  std::printf("resident memory growth while downloading: %ld KiB (target < %ld KiB)\n", growth_kib, max_growth_kib);
  const bool met = ratio <= max_ratio && growth_kib < max_growth_kib;
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
