// Cost of one logging call with the developer log off, where every record only enters
// the calling thread's history buffer, against spdlog's backtrace ring (a logger whose
// level is off, with a null sink) fed the same texts; one and two logging threads.
// Exits 1 when ours costs more than spdlog's ring in any row.
#include <spdlog/sinks/null_sink.h>
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

#include "cpplogger/logger.h"

namespace {

constexpr int record_count = 2'000'000;
constexpr int rounds = 5;
constexpr int distinct_texts = 4096;
constexpr int64_t history_budget = 1'048'576;

std::filesystem::path make_temp_directory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ferrowick-history-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::u16string ascii_u16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Processor time of the whole process (user and system), in seconds.
double cpu_seconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct figures {
  double wall_ns_per_record = 1e18;
  double cpu_ns_per_record = 1e18;
  void keep_best(const figures& other) {
    wall_ns_per_record = std::min(wall_ns_per_record, other.wall_ns_per_record);
    cpu_ns_per_record = std::min(cpu_ns_per_record, other.cpu_ns_per_record);
  }
};

// Runs log_range(first, count) on `threads` threads, record_count records in all. Wall
// time is per record of one thread (what a caller waits), processor time per record.
figures measure(int threads, const std::function<void(int, int)>& log_range) {
  const int per_thread = record_count / threads;
  const double cpu_start = cpu_seconds();
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.emplace_back(log_range, t * per_thread, per_thread);
  for (auto& worker : workers) worker.join();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double records = static_cast<double>(per_thread) * threads;
  return {elapsed.count() * 1e9 / per_thread, (cpu_seconds() - cpu_start) * 1e9 / records};
}

}  // namespace

int main() {
  const auto directory = make_temp_directory();
  std::ofstream(directory / "logger.xml")
      << "<log_settings><developer_log use_developer_log='false' level='TRACE' max_backup_index='1' "
         "max_file_size='1048576'/><history_log max_buffer_size='"
      << history_budget << "'/></log_settings>";
  const std::u16string directory_text = ascii_u16(directory.string());
  cpplogger::init_logger(directory_text, u"logger.xml", directory_text, u"bench", false, {});

  std::vector<std::u16string> ours_texts;
  std::vector<std::string> spdlog_texts;
  size_t text_units = 0;
  for (int i = 0; i < distinct_texts; ++i) {
    spdlog_texts.push_back("record " + std::to_string(100'000 + i) + " of the history log benchmark");
    ours_texts.push_back(ascii_u16(spdlog_texts.back()));
    text_units += spdlog_texts.back().size();
  }
  // The ring holds as many records as our buffers keep: budget / (2 bytes a unit + 48).
  const size_t kept_per_thread = history_budget / (2 * text_units / distinct_texts + 48);

  const auto log_ours = [&](int first, int count) {
    for (int i = first; i < first + count; ++i) cpplogger::log(cpplogger::level_trace, ours_texts[i % distinct_texts]);
  };

  std::printf(
      "%d records per run, developer log off; best of %d alternating runs; spdlog ring of %zu records a thread\n",
      record_count, rounds, kept_per_thread);
  std::printf("%-8s %14s %14s %7s   %14s %14s %7s\n", "threads", "ours ns/rec", "spdlog ns/rec", "ratio", "ours cpu ns",
              "spdlog cpu ns", "ratio");
  bool met = true;
  for (const int threads : {1, 2}) {
    auto sink = std::make_shared<spdlog::sinks::null_sink_mt>();
    spdlog::logger ring("bench", sink);
    ring.set_level(spdlog::level::off);
    ring.enable_backtrace(kept_per_thread * threads);
    const auto log_spdlog = [&](int first, int count) {
      for (int i = first; i < first + count; ++i) ring.trace(spdlog_texts[i % distinct_texts]);
    };
    figures ours;
    figures theirs;
    for (int round = 0; round < rounds; ++round) {
      ours.keep_best(measure(threads, log_ours));
      theirs.keep_best(measure(threads, log_spdlog));
    }
    // Ratios read "ours as a share of spdlog's cost": at most 100% meets the target.
    const double wall_ratio = 100.0 * ours.wall_ns_per_record / theirs.wall_ns_per_record;
    const double cpu_ratio = 100.0 * ours.cpu_ns_per_record / theirs.cpu_ns_per_record;
    std::printf("%-8d %14.1f %14.1f %6.0f%%   %14.1f %14.1f %6.0f%%\n", threads, ours.wall_ns_per_record,
                theirs.wall_ns_per_record, wall_ratio, ours.cpu_ns_per_record, theirs.cpu_ns_per_record, cpu_ratio);
    met = met && wall_ratio <= 100.0 && cpu_ratio <= 100.0;
  }
  std::printf("target (ours at most spdlog's ring, wall and processor time): %s\n", met ? "met" : "MISSED");

  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
  return met ? 0 : 1;
}
