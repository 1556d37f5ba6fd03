#include "release_date.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "command_line.h"
#include "common/text.h"
#include "common/winapi/process/process_info.h"
#include "error_lib/application_exception.h"
#include "updater_lib/details/update_information/update_information_release_date.h"

namespace pack_tool {

namespace {

constexpr std::string_view shape = "0000-00-00T00:00:00Z";  // 0 stands for any digit
constexpr int64_t ticks_per_second = 10'000'000;

bool has_shape(std::string_view text) {
  return text.size() == shape.size() && std::equal(shape.begin(), shape.end(), text.begin(), [](char wanted, char c) {
           return wanted == '0' ? std::isdigit(static_cast<unsigned char>(c)) != 0 : wanted == c;
         });
}

// The worker reads the date with these checks; a day such as 31 February passes them
// but would silently become a day of March.
bool is_valid_release_date(const std::string& text) {
  try {
    const updater::date_time_t value = updater::date_time_t_from_updates_release_date(common::utf8_to_utf16(text));
    updater::check_date_time(value);
    const std::chrono::year_month_day day{std::chrono::year{value.year}, std::chrono::month{value.month + 1u},
                                          std::chrono::day{value.day + 1u}};
    return day.ok() && value.second < 60;
  } catch (const common::application_exception&) {
    return false;
  }
}

std::string now_text() {
  using namespace std::chrono;
  const sys_seconds now{seconds{winapi::current_time_ticks() / ticks_per_second}};
  const sys_days today = floor<days>(now);
  const year_month_day day{today};
  const hh_mm_ss time{now - today};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace

std::string release_date_text(const std::string& value) {
  if (value == "now") return now_text();
  if (!has_shape(value) || !is_valid_release_date(value)) {
    throw usage_error(
        "--release-date takes now or a UTC date and time YYYY-MM-DDThh:mm:ssZ from 2010 to 2200 "
        "(for example 2026-12-10T06:22:04Z), not '" +
        value + "'");
  }
  return value;
}

}  // namespace pack_tool
