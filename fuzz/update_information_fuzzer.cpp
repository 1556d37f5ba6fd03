// The update description info2.txt as a source offers it, and release dates: the one it
// carries, and the raw input read as an offered and an installed date.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "error_lib/application_exception.h"
#include "support/process_state.h"
#include "updater_lib/details/update_information/update_information.h"
#include "updater_lib/details/update_information/update_information_release_date.h"

namespace {

// The errors a release date may raise besides the application's: a digit run that
// overflows 32 bits.
void compare_release_dates(const std::u16string& offered, const std::u16string& installed) {
  try {
    updater::date_time_t_from_updates_release_date(offered);
  } catch (const common::application_exception&) {
  } catch (const std::out_of_range&) {
  }
  try {
    updater::is_up_to_date(offered, installed);
  } catch (const common::application_exception&) {
  } catch (const std::out_of_range&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  try {
    const auto information = updater::deserialize_update_information({data, data + size});
    compare_release_dates(information.release_date, information.release_date);
  } catch (const common::application_exception&) {
  } catch (const std::range_error&) {
  } catch (const std::out_of_range&) {
  }
  // The raw input as a pair of dates, split at the first line feed.
  const std::u16string text(data, data + size);
  const size_t line_feed = text.find(u'\n');
  compare_release_dates(text.substr(0, line_feed),
                        line_feed == std::u16string::npos ? u"" : text.substr(line_feed + 1));
  return 0;
}
