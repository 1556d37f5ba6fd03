#include "updater_lib/details/update_information/update_information_release_date.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/update_information/update_information_text.h"

namespace updater {

namespace {

constexpr size_t release_date_length = 20;
constexpr size_t numbers_per_part = 3;

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

int32_t digit_run_to_int32(std::u16string_view digits) {
  int64_t value = 0;
  for (char16_t digit : digits) {
    value = value * 10 + (digit - u'0');
    if (value > std::numeric_limits<int32_t>::max()) throw std::out_of_range("release date number is too large");
  }
  return static_cast<int32_t>(value);
}

// Every maximal run of decimal digits, as numbers.
std::vector<int32_t> digit_runs(const std::u16string& part) {
  std::vector<int32_t> numbers;
  size_t position = 0;
  while (position < part.size()) {
    if (!is_digit(part[position])) {
      ++position;
      continue;
    }
    size_t end = position;
    while (end < part.size() && is_digit(part[end])) ++end;
    numbers.push_back(digit_run_to_int32(std::u16string_view(part).substr(position, end - position)));
    position = end;
  }
  return numbers;
}

template <typename Field>
Field narrow(int32_t value) {
  if (value < 0 || value > std::numeric_limits<Field>::max()) {
    FW_THROW(common::application_exception(common::error_value_out_of_range), "value: ", value);
  }
  return static_cast<Field>(value);
}

}  // namespace

date_time_t date_time_t_from_updates_release_date(const std::u16string& release_date) {
  FW_LOG_SCOPE();
  if (release_date.size() != release_date_length) {
    FW_THROW(common::application_exception(common::error_cannot_parse_release_date), "release_date: ", release_date,
             ", release_date size: ", release_date.size());
  }
  const std::vector<std::u16string> parts = details::split_skipping_empty(release_date, u'T');
  if (parts.size() != 2) {
    FW_THROW(common::application_exception(common::error_cannot_parse_release_date), "release_date: ", release_date,
             ", release_date size: ", release_date.size(), ", parts count: ", parts.size());
  }
  const std::vector<int32_t> date = digit_runs(parts[0]);
  const std::vector<int32_t> time = digit_runs(parts[1]);
  if (date.size() != numbers_per_part || time.size() != numbers_per_part) {
    FW_THROW(common::application_exception(common::error_cannot_parse_release_date), "release_date: ", release_date);
  }
  date_time_t result;
  result.year = narrow<uint16_t>(date[0]);
  result.month = narrow<uint8_t>(date[1] - 1);
  result.day = narrow<uint8_t>(date[2] - 1);
  result.hour = narrow<uint8_t>(time[0]);
  result.minute = narrow<uint8_t>(time[1]);
  result.second = narrow<uint8_t>(time[2]);
  return result;
}

bool is_up_to_date(const std::u16string& offered_release_date, const std::u16string& previous_release_date) {
  FW_LOG_SCOPE();
  if (offered_release_date == previous_release_date) return true;
  if (previous_release_date.empty()) return false;
  const int64_t offered = to_calendar_time(date_time_t_from_updates_release_date(offered_release_date));
  const int64_t previous = to_calendar_time(date_time_t_from_updates_release_date(previous_release_date));
  return static_cast<double>(previous - offered) > 0;
}

}  // namespace updater
