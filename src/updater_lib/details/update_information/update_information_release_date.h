#pragma once
// Release dates of updates: "YYYY-MM-DDThh:mm:ssZ" and the up-to-date decision.
#include <string>

#include "updater_lib/details/update_information/date_time.h"

namespace updater {

// Exactly 20 characters; "T" splits a date part from a time part, and each part holds
// three runs of decimal digits. Raises 5388 when the text does not have that shape,
// 5390 when a number does not fit its field (a month or day of 0 among them) and
// std::out_of_range when a digit run overflows 32 bits. The value is not range-checked.
date_time_t date_time_t_from_updates_release_date(const std::u16string& release_date);

// True when the installed update (previous_release_date) is the offered one or strictly
// newer. An empty previous date is never up to date; equal texts are up to date without
// being parsed. Both dates are read as local time.
bool is_up_to_date(const std::u16string& offered_release_date, const std::u16string& previous_release_date);

}  // namespace updater
