// The logger's XML settings file: read with its defaults, then forced into range; a
// forced value must be reported and the result must be a fixed point.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "cpplogger/details/settings_reader.h"
#include "support/process_state.h"
#include "support/scratch_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  const std::u16string path = fuzz_support::write_scratch_file("logger.xml", data, size);
  try {
    const cpplogger::logger_settings read = cpplogger::details::read_settings(path);
    bool reported = false;
    const auto forced = cpplogger::details::force_into_range(
        read, [&](std::u16string_view, std::u16string_view, std::u16string_view) { reported = true; });
    if (reported == (forced == read)) std::abort();
    if (cpplogger::details::force_into_range(forced, [](auto...) { std::abort(); }) != forced) std::abort();
  } catch (const cpplogger::details::internal_logger_exception&) {
  }
  fuzz_support::clear_scratch_directory();
  return 0;
}
