// Opening and verifying a package that holds one 1 GiB file, against
// `openssl dgst -sha256` over the same package file, side by side in one run.
// Target: at most 1.25 times the openssl time, and under 16 MiB of resident-memory
// growth while verifying. Exits 1 when a target is missed.
//
//   package_verify_bench [size in MiB, default 1024] [rounds, default 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "../support/process_memory.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package.h"

namespace {

using bench_support::reset_peak_resident_memory;
using bench_support::status_kib;

constexpr double max_ratio = 1.25;
constexpr long max_growth_kib = 16 * 1024;

using clock_type = std::chrono::steady_clock;

class scratch_directory {
 public:
  scratch_directory() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("ferrowick_package_bench_" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~scratch_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void write_pseudo_random_file(const std::filesystem::path& path, uint64_t size) {
  std::ofstream out(path, std::ios::binary);
  std::vector<uint64_t> block(128 * 1024);
  uint64_t state = 0x9E3779B97F4A7C15;
  for (uint64_t written = 0; written < size;) {
    for (auto& word : block) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    const uint64_t count = std::min<uint64_t>(size - written, block.size() * sizeof(uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(count));
    written += count;
  }
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

double seconds_of(const auto& action) {
  const auto start = clock_type::now();
  action();
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

double openssl_seconds(const std::filesystem::path& file) {
  const std::string command = "openssl dgst -sha256 '" + file.string() + "' > /dev/null";
  return seconds_of([&] {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl dgst failed");
  });
}

double verify_seconds(const std::filesystem::path& file, const updater::key_list& public_keys) {
  return seconds_of(
      [&] { const updater::package opened(file.u16string(), updater::package::mode::open_existing, public_keys, {}); });
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t size_mib = argc > 1 ? std::stoull(argv[1]) : 1024;
  const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
  const scratch_directory directory;
  const auto source = directory.path() / "bases.bin";
  const auto package_path = directory.path() / "update.pkg";

  updater::key_list private_keys;
  updater::key_list public_keys;
  for (int i = 0; i < 2; ++i) {
    const auto pair = updater::generate_key_pair(1);
    private_keys.push_back(pair.private_key);
    public_keys.push_back(pair.public_key);
  }
  std::cout << "creating a package of one " << size_mib << " MiB file in " << directory.path() << '\n';
  write_pseudo_random_file(source, size_mib * 1024 * 1024);
  const double create_time = seconds_of([&] {
    updater::package created(package_path.u16string(), updater::package::mode::create_new, {}, private_keys);
    created.add_file(u"bases.bin", source.u16string());
    created.complete();
  });
  std::filesystem::remove(source);
  std::printf("create: %.3f s\n", create_time);

  // Both read from the page cache.
  openssl_seconds(package_path);
  verify_seconds(package_path, public_keys);

  std::vector<double> openssl_times;
  std::vector<double> verify_times;
  long growth_kib = 0;
  for (int round = 0; round < rounds; ++round) {
    openssl_times.push_back(openssl_seconds(package_path));
    reset_peak_resident_memory();
    const long before = status_kib("VmRSS");
    verify_times.push_back(verify_seconds(package_path, public_keys));
    growth_kib = std::max(growth_kib, status_kib("VmHWM") - before);
    std::printf("round %d: openssl dgst -sha256 %.3f s, package open and verify %.3f s\n", round + 1,
                openssl_times.back(), verify_times.back());
  }
  const double openssl_best = *std::min_element(openssl_times.begin(), openssl_times.end());
  const double verify_best = *std::min_element(verify_times.begin(), verify_times.end());
  const double ratio = verify_best / openssl_best;
  std::printf("best: openssl %.3f s, verify %.3f s, ratio %.3f (target <= %.2f)\n", openssl_best, verify_best, ratio,
              max_ratio);
  std::printf("resident memory growth while verifying: %ld KiB (target < %ld KiB)\n", growth_kib, max_growth_kib);
  const bool met = ratio <= max_ratio && growth_kib < max_growth_kib;
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
