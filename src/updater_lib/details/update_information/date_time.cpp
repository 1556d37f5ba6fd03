#include "updater_lib/details/update_information/date_time.h"

#include <ctime>
#include <optional>

#include "common/winapi/process/process_info.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater {

void check_date_time(const date_time_t& value) {
  FW_LOG_SCOPE();
  const bool valid = value.hour <= 23 && value.minute < 60 && value.second <= 60 && value.day <= 30 &&
                     value.month <= 11 && value.year >= 2010 && value.year <= 2200;
  if (!valid) {
    FW_THROW(common::application_exception(common::error_date_time_verification_failed), "hour: ", value.hour,
             ", minute: ", value.minute, ", second: ", value.second, ", day: ", value.day, ", month: ", value.month,
             ", year: ", value.year);
  }
}

int64_t to_calendar_time(const date_time_t& value) {
  FW_LOG_SCOPE();
  check_date_time(value);
  std::tm calendar{};
  calendar.tm_sec = value.second;
  calendar.tm_min = value.minute;
  calendar.tm_hour = value.hour;
  calendar.tm_mday = value.day + 1;
  calendar.tm_mon = value.month;
  calendar.tm_year = value.year - 1900;
  calendar.tm_isdst = 0;
  return static_cast<int64_t>(std::mktime(&calendar));
}

date_time_t get_current_local_date_time() {
  FW_LOG_SCOPE();
  const std::optional<std::tm> local = winapi::to_local_time(std::time(nullptr));
  if (!local) FW_THROW(common::application_exception(common::error_current_time_to_tm_failed));
  const std::tm& now = *local;
  date_time_t result;
  result.hour = static_cast<uint8_t>(now.tm_hour);
  result.minute = static_cast<uint8_t>(now.tm_min);
  result.second = static_cast<uint8_t>(now.tm_sec);
  result.day = static_cast<uint8_t>(now.tm_mday - 1);
  result.month = static_cast<uint8_t>(now.tm_mon);
  result.year = static_cast<uint16_t>(now.tm_year + 1900);
  check_date_time(result);
  return result;
}

}  // namespace updater
