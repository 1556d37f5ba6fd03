// Packing a set of history-like files into a zip archive with the logger's zip writer,
// against `zip -1` over the same files, side by side in one run.
// Targets: at least 0.9 times the throughput of zip -1, and resident-memory growth while
// packing of at most twice the largest file. Exits 1 when a target is missed.
//
//   zip_writer_bench [files, default 24] [rounds, default 5]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "../support/process_memory.h"
#include "cpplogger/details/zip_writer.h"

namespace {

using bench_support::reset_peak_resident_memory;
using bench_support::status_kib;

constexpr double min_throughput_ratio = 0.9;
constexpr uint64_t largest_file_size = 2 * 1024 * 1024;  // the largest history buffer

using clock_type = std::chrono::steady_clock;

class scratch_directory {
 public:
  scratch_directory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ferrowick-zip-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~scratch_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Lines as the history log writes them: times, levels, scope arrows, function names,
// source positions and numbers varying from line to line.
void write_history_file(const std::filesystem::path& path, uint64_t size, uint64_t seed) {
  static const char* const levels[] = {"TRACE", "DEBUG", "INFO ", "WARN "};
  static const char* const scopes[] = {"---> ", "<--- ", "", ""};
  static const char* const functions[] = {"updater::download_file",           "updater::run_update",
                                          "updater::package::verify",         "fs_utils::copy_file",
                                          "updater::https_session::open",     "updater::http_exchange::copy_body",
                                          "path_helpers::get_long_path_name", "updater::proxy_variants",
                                          "localization::get_message_text"};
  uint64_t state = seed * 0x9E3779B97F4A7C15 + 1;
  const auto next = [&state](uint64_t bound) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state % bound;
  };
  std::string text;
  text.reserve(size + 256);
  char line[256];
  while (text.size() < size) {
    const int length = std::snprintf(
        line, sizeof line, "2016/05/04 13:%02d:%02d %s%*s%s%s (src/updater_lib/details/file_%llu.cpp:%llu) %llu ms\r\n",
        static_cast<int>(next(60)), static_cast<int>(next(60)), levels[next(4)], static_cast<int>(1 + 4 * next(6)), "",
        scopes[next(4)], functions[next(9)], static_cast<unsigned long long>(next(40)),
        static_cast<unsigned long long>(next(2000)), static_cast<unsigned long long>(next(100000)));
    text.append(line, static_cast<size_t>(length));
  }
  text.resize(size);
  std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

double seconds_of(const auto& action) {
  const auto start = clock_type::now();
  action();
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int file_count = argc > 1 ? std::stoi(argv[1]) : 24;
  const int rounds = argc > 2 ? std::stoi(argv[2]) : 5;
  const scratch_directory directory;
  const auto sources = directory.path() / "logs";
  std::filesystem::create_directory(sources);

  // Sizes from a quarter of the largest buffer up to the largest, as dumps of busy and
  // quiet threads come out.
  std::vector<std::filesystem::path> files;
  std::vector<std::u16string> wide_files;
  uint64_t total = 0;
  for (int i = 0; i < file_count; ++i) {
    const uint64_t size = largest_file_size / 4 + (largest_file_size * 3 / 4) * static_cast<uint64_t>(i) /
                                                      static_cast<uint64_t>(std::max(file_count - 1, 1));
    files.push_back(sources / ("ferrowick2016-05-04_13-07-21_4242_17_" + std::to_string(100 + i) + ".log"));
    write_history_file(files.back(), size, static_cast<uint64_t>(i));
    wide_files.push_back(files.back().u16string());
    total += size;
  }
  std::printf("%d history-like files, %.1f MiB, largest %.1f MiB, in %s\n", file_count, total / 1048576.0,
              largest_file_size / 1048576.0, sources.c_str());

  std::string zip_command = "cd '" + sources.string() + "' && zip -1 -q -X ../zip.zip";
  for (const auto& file : files) zip_command += " '" + file.filename().string() + "'";
  const auto run_zip = [&] {
    std::filesystem::remove(directory.path() / "zip.zip");
    if (std::system(zip_command.c_str()) != 0) throw std::runtime_error("zip -1 failed");
  };
  const auto run_writer = [&] {
    std::filesystem::remove(directory.path() / "writer.zip");
    zip::create_archive(directory.path().u16string(), u"writer.zip", wide_files);
  };

  // zip -1 brings the files into the page cache. The writer's first run is the one whose
  // memory counts: later runs may reuse heap that the allocator kept from it.
  run_zip();
  reset_peak_resident_memory();
  const long before = status_kib("VmRSS");
  run_writer();
  const long growth_kib = status_kib("VmHWM") - before;

  std::vector<double> zip_times;
  std::vector<double> writer_times;
  for (int round = 0; round < rounds; ++round) {
    zip_times.push_back(seconds_of(run_zip));
    writer_times.push_back(seconds_of(run_writer));
    std::printf("round %d: zip -1 %.3f s, zip writer %.3f s\n", round + 1, zip_times.back(), writer_times.back());
  }
  const double zip_best = *std::min_element(zip_times.begin(), zip_times.end());
  const double writer_best = *std::min_element(writer_times.begin(), writer_times.end());
  const double ratio = zip_best / writer_best;
  std::printf("best: zip -1 %.3f s (%.0f MiB/s, archive %.2f MiB), zip writer %.3f s (%.0f MiB/s, archive %.2f MiB)\n",
              zip_best, total / 1048576.0 / zip_best,
              std::filesystem::file_size(directory.path() / "zip.zip") / 1048576.0, writer_best,
              total / 1048576.0 / writer_best, std::filesystem::file_size(directory.path() / "writer.zip") / 1048576.0);
  std::printf("throughput ratio writer / zip -1: %.3f (target >= %.2f)\n", ratio, min_throughput_ratio);
  const long max_growth_kib = static_cast<long>(2 * largest_file_size / 1024);
  std::printf("resident memory growth while packing: %ld KiB (target <= %ld KiB, twice the largest file)\n", growth_kib,
              max_growth_kib);
  const bool met = ratio >= min_throughput_ratio && growth_kib <= max_growth_kib;
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
