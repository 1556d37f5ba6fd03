// Records per second of the developer log at TRACE, one and two logging threads,
// against spdlog's synchronous file sink flushed after every record (both end each
// record with one write to the file), and resident memory around a million records.
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cpplogger/log_stream.h"
#include "cpplogger/logger.h"

namespace {

constexpr int record_count = 1'000'000;
constexpr int rounds = 3;

std::filesystem::path make_temp_directory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ferrowick-logging-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::u16string u16(const std::filesystem::path& path) {
  const std::string text = path.string();
  return std::u16string(text.begin(), text.end());  // the temporary path is ASCII
}

long resident_kib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  return -1;
}

// Processor time of the whole process (user and system), in seconds.
double cpu_seconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct figures {
  double records_per_second = 0;
  double cpu_microseconds_per_record = 1e9;
  void keep_best(const figures& other) {
    records_per_second = std::max(records_per_second, other.records_per_second);
    cpu_microseconds_per_record = std::min(cpu_microseconds_per_record, other.cpu_microseconds_per_record);
  }
};

// Runs log_range(first, count) on `threads` threads, `record_count` records in all.
figures measure(int threads, const std::function<void(int, int)>& log_range) {
  const int per_thread = record_count / threads;
  const double cpu_start = cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.emplace_back(log_range, t * per_thread, per_thread);
  for (auto& worker : workers) worker.join();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double records = per_thread * threads;
  return {records / elapsed.count(), (cpu_seconds() - cpu_start) * 1e6 / records};
}

void log_ours(int first, int count) {
  for (int i = first; i < first + count; ++i)
    FW_LOG(cpplogger::level_trace) << "record " << i << " of the logging benchmark";
}

}  // namespace

int main() {
  const auto directory = make_temp_directory();
  std::ofstream(directory / "logger.xml")
      << "<log_settings><developer_log use_developer_log='true' level='TRACE' max_backup_index='1' "
         "max_file_size='104857600'/><history_log max_buffer_size='1048576'/></log_settings>";
  cpplogger::init_logger(u16(directory), u"logger.xml", u16(directory), u"bench", true, {});

  auto spdlog_logger = spdlog::basic_logger_mt("bench", (directory / "spdlog.log").string(), true);
  spdlog_logger->set_pattern("%Y/%m/%d %H:%M:%S %t %l %v");
  spdlog_logger->set_level(spdlog::level::trace);
  spdlog_logger->flush_on(spdlog::level::trace);
  const auto log_spdlog = [&](int first, int count) {
    for (int i = first; i < first + count; ++i) spdlog_logger->trace("record {} of the logging benchmark", i);
  };

  std::printf("%d records per run, developer log at TRACE, one write per record; best of %d alternating runs\n",
              record_count, rounds);
  std::printf("%-8s %12s %12s %7s   %14s %14s %7s\n", "threads", "ours rec/s", "spdlog rec/s", "ratio",
              "ours cpu us/rec", "spdlog cpu us", "ratio");
  long before = 0;
  long after = 0;
  for (const int threads : {1, 2}) {
    figures ours;
    figures theirs;
    for (int round = 0; round < rounds; ++round) {
      if (before == 0) before = resident_kib();
      ours.keep_best(measure(threads, log_ours));
      if (after == 0) after = resident_kib();
      theirs.keep_best(measure(threads, log_spdlog));
      std::filesystem::remove(directory / "spdlog.log");
    }
    // Both ratios read "ours as a share of spdlog's speed": above 100% ours is faster.
    std::printf("%-8d %12.0f %12.0f %6.0f%%   %14.2f %14.2f %6.0f%%\n", threads, ours.records_per_second,
                theirs.records_per_second, 100.0 * ours.records_per_second / theirs.records_per_second,
                ours.cpu_microseconds_per_record, theirs.cpu_microseconds_per_record,
                100.0 * theirs.cpu_microseconds_per_record / ours.cpu_microseconds_per_record);
  }
  std::printf("resident memory around our first %d records: %ld KiB before, %ld KiB after\n", record_count, before,
              after);

  spdlog::shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return 0;
}
