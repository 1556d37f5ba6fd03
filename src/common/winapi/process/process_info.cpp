#include "common/winapi/process/process_info.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

namespace winapi {

uint32_t current_thread_id() {
  thread_local const uint32_t id = static_cast<uint32_t>(::syscall(SYS_gettid));
  return id;
}

uint32_t current_process_id() { return static_cast<uint32_t>(::getpid()); }

int64_t current_time_ticks() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
}

std::optional<std::tm> to_local_time(int64_t seconds_since_epoch) {
  const std::time_t time = static_cast<std::time_t>(seconds_since_epoch);
  std::tm result{};
  if (::localtime_r(&time, &result) == nullptr) return std::nullopt;
  return result;
}

}  // namespace winapi
