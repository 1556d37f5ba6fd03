#include "common/winapi/files/file_time.h"

namespace winapi {

namespace {
// 100-ns ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t unix_epoch_file_time = 116'444'736'000'000'000ULL;
}  // namespace

uint64_t to_file_time(const timespec& time) {
  return unix_epoch_file_time + static_cast<uint64_t>(time.tv_sec) * 10'000'000ULL +
         static_cast<uint64_t>(time.tv_nsec) / 100;
}

}  // namespace winapi
