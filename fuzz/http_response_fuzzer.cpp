// A response head from the update server: parsed by the HTTP library, then the status
// check and the header walk that steers resuming. A walk that passed must pass again
// with the Last-Modified it kept and give the same length. A malformed Content-Length
// raises the library's exception, which the download loop takes as a failed attempt.
#include <Poco/Exception.h>
#include <Poco/Net/HTTPResponse.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "support/process_state.h"
#include "updater_lib/details/https/http_exchange.h"

namespace {

void walk_headers_twice(const Poco::Net::HTTPResponse& response) {
  bool accept_ranges = false;
  std::string last_modified;
  uint64_t length = 0;
  try {
    length = updater::details::update_session_properties(response, accept_ranges, last_modified);
  } catch (const common::application_exception&) {
    return;
  } catch (const Poco::Exception&) {
    return;
  }
  const std::string kept = last_modified;
  bool accept_ranges_again = false;
  try {
    if (updater::details::update_session_properties(response, accept_ranges_again, last_modified) != length ||
        accept_ranges_again != accept_ranges || last_modified != kept) {
      std::abort();
    }
  } catch (const common::application_exception& e) {
    // Differing Last-Modified headers in one response, the first one empty: the first
    // walk keeps the later value and the second walk meets the date change.
    if (e.code() != common::make_application_error(common::error_file_modification_date_changed)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  Poco::Net::HTTPResponse response;
  std::istringstream head(std::string(reinterpret_cast<const char*>(data), size));
  try {
    response.read(head);
  } catch (const Poco::Exception&) {
    return 0;
  }
  try {
    updater::details::check_http_response(response, u"https://127.0.0.1/update/0/info2.txt");
  } catch (const common::application_exception&) {
  }
  walk_headers_twice(response);
  return 0;
}
