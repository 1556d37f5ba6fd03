// The parameter text from standard input: split into tokens, deserialised and checked
// as the worker does, and written back by the service-side writer, which must give the
// same tokens when split again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "error_lib/application_exception.h"
#include "support/process_state.h"
#include "updater_lib/details/parameters/parameters_deserialization.h"
#include "updater_lib/details/parameters/parameters_text.h"
#include "updater_lib/details/parameters/parameters_text_writer.h"
#include "updater_lib/details/parameters/start_params_record.h"
#include "updater_lib/details/parameters/updater_parameters.h"

namespace {

void check_round_trip(const updater::token_list& tokens) {
  std::vector<uint8_t> written = updater::to_utf16le_bytes(updater::join_parameter_tokens(tokens));
  written.insert(written.end(), {0, 0});
  if (updater::split_parameter_text(written) != tokens) std::abort();
}

void deserialize_and_check(updater::token_list tokens) {
  try {
    updater::check_parameters(updater::deserialize_parameters(tokens, std::nullopt));
  } catch (const common::application_exception&) {
  }
  try {
    const auto logging = updater::take_logging_parameters(tokens);
    updater::check_parameters(updater::deserialize_parameters(tokens, logging));
  } catch (const common::application_exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  updater::token_list tokens;
  try {
    tokens = updater::split_parameter_text({data, data + size});
  } catch (const common::application_exception&) {
    return 0;
  }
  updater::make_start_params_record(tokens);
  check_round_trip(tokens);
  deserialize_and_check(tokens);
  return 0;
}
