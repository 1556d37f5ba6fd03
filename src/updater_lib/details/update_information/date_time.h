#pragma once
// The broken-down date and time of release dates and package headers.
#include <cstdint>

namespace updater {

// Day and month are 0-based; year is the full year.
struct date_time_t {
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  uint8_t day = 0;
  uint8_t month = 0;
  uint16_t year = 0;
};

// Raises 5354 unless every field is in range (day of month up to 31 for every month,
// years 2010 to 2200).
void check_date_time(const date_time_t& value);

// Seconds since the epoch, reading the value as local time; day overflow within the
// month is normalised (31 February becomes a day of March). Checks the value first.
int64_t to_calendar_time(const date_time_t& value);

// The present local time; raises 5353 when it cannot be broken down.
date_time_t get_current_local_date_time();

}  // namespace updater
