#include "common/winapi/crash/crash_time.h"

#include <time.h>

#include <atomic>
#include <cstdint>

namespace winapi {

namespace {

std::atomic<long> utc_offset_seconds{0};

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void civil_from_days(int64_t days, std::tm& result) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;
  const int64_t day = day_of_year - (153 * month_index + 2) / 5 + 1;
  const int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
  result.tm_year = static_cast<int>(year_of_era + era * 400 + (month <= 2) - 1900);
  result.tm_mon = static_cast<int>(month - 1);
  result.tm_mday = static_cast<int>(day);
}

}  // namespace

void prepare_crash_local_time() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) != nullptr) utc_offset_seconds.store(local.tm_gmtoff);
}

std::tm crash_local_time() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int64_t seconds = static_cast<int64_t>(now.tv_sec) + utc_offset_seconds.load();
  int64_t days = seconds / 86400;
  int64_t in_day = seconds % 86400;
  if (in_day < 0) {
    in_day += 86400;
    --days;
  }
  std::tm result{};
  civil_from_days(days, result);
  result.tm_hour = static_cast<int>(in_day / 3600);
  result.tm_min = static_cast<int>(in_day % 3600 / 60);
  result.tm_sec = static_cast<int>(in_day % 60);
  return result;
}

}  // namespace winapi
