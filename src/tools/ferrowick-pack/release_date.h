#pragma once
// Release dates as the publisher gives them for info2.txt.
#include <string>

namespace pack_tool {

// "now" gives the present UTC time; any other text must have the form
// YYYY-MM-DDThh:mm:ssZ and name a real day from 2010 to 2200 and a time of day.
// Raises usage_error naming the form otherwise.
std::string release_date_text(const std::string& value);

}  // namespace pack_tool
