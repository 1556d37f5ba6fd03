// Downloading one file from a running HTTPS update server with updater::download_file
// (direct, 1 MiB blocks), the best wall time of a few rounds. Built for Linux and for
// Windows alike, so that the same download can be timed natively and under wine against
// one server (bench/https_download/compare.sh starts it). The logger stays off.
//
//   https_fetch_bench ROOT_URL FOLDER NAME SIZE_BYTES DOWNLOADS_DIR [rounds, default 3]
//   e.g. https_fetch_bench https://127.0.0.1:43443/ update/0 bases.bin 1073741824 /tmp/d 3
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/handle_holder.h"
#include "common/program_arguments.h"
#include "common/text.h"
#include "common/winapi/sync/events.h"
#include "updater_lib/details/https/download_file.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace {

constexpr uint32_t block_size = 1024 * 1024;
constexpr char16_t stop_event_name[] = u"https-fetch-bench";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = common::program_arguments(argc, argv);
  if (arguments.size() < 5) {
    std::fputs("usage: https_fetch_bench ROOT_URL FOLDER NAME SIZE_BYTES DOWNLOADS_DIR [rounds]\n", stderr);
    return 2;
  }
  const std::u16string root = common::utf8_to_utf16(arguments[0]);
  const std::u16string folder = root + common::utf8_to_utf16(arguments[1]);
  const std::u16string name = common::utf8_to_utf16(arguments[2]);
  const uintmax_t size = std::stoull(arguments[3]);
  const std::filesystem::path downloads = std::filesystem::u8path(arguments[4]);
  const int rounds = arguments.size() > 5 ? std::stoi(arguments[5]) : 3;

  // A cancellation token needs an existing event; it is never set.
  const common::handle_holder stop_event(winapi::create_named_event(stop_event_name, false));
  if (!stop_event) throw std::runtime_error("cannot create the stop event");
  updater::https_parameters parameters;
  parameters.block_size = block_size;
  parameters.file_download_timeout_sec = 600;
  parameters.max_retry_count = 1;
  parameters.viro_user_name = u"bench";

  std::printf("%s%s/%s: %ju bytes, block_size %u, logger off, best of %d rounds\n", arguments[0].c_str(),
              arguments[1].c_str(), arguments[2].c_str(), size, block_size, rounds);
  double best = 1e9;
  for (int round = 1; round <= rounds; ++round) {
    const std::filesystem::path output = downloads / std::filesystem::u8path(arguments[2]);
    std::filesystem::remove(output);
    updater::cancellation_token token(stop_event_name);
    const auto start = std::chrono::steady_clock::now();
    updater::download_file(root, folder, name, name, parameters, downloads.u16string(), token,
                           std::chrono::seconds(parameters.file_download_timeout_sec));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (std::filesystem::file_size(output) != size) throw std::runtime_error(output.string() + " is incomplete");
    best = std::min(best, seconds);
    std::printf("round %d: %.3f s\n", round, seconds);
  }
  std::printf("best: %.3f s, %.0f MiB/s\n", best, static_cast<double>(size) / (1024.0 * 1024.0) / best);
  return 0;
}
