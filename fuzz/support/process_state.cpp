#include "support/process_state.h"

#include "common/text.h"
#include "common/winapi/language/library_as_data.h"
#include "cpplogger/levels.h"
#include "cpplogger/logger.h"
#include "localization/localization_library.h"

namespace fuzz_support {

void prepare_process() {
  localization::localization_library().set_functions(
      [] { return winapi::load_library_as_datafile(common::utf8_to_utf16(FERROWICK_MESSAGES_LIBRARY)); },
      [](localization::library_handle module) { winapi::free_data_library(module); });
  // Loaded now, not by the first error; without it every application error would also
  // raise and log the library's absence. A library that fails to load stops the target.
  localization::localization_library().get();
  cpplogger::log(cpplogger::level_trace, u"fuzz target ready");
  cpplogger::clear_history();
}

input_scope::~input_scope() { cpplogger::clear_history(); }

}  // namespace fuzz_support

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::prepare_process();
  return 0;
}
