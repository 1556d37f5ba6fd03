// Heap allocations and time per bad input on the paths the fuzz targets take most: a
// thrown and caught application error, with its EXCEPTION trace line and the message
// resolved from the localization library, as the worker does. Every malloc of the
// process is counted, C++ and C alike (the exception object, the demangler).
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "common/base64.h"
#include "common/text.h"
#include "common/winapi/language/library_as_data.h"
#include "cpplogger/logger.h"
#include "error_lib/application_exception.h"
#include "localization/localization_library.h"
#include "updater_lib/details/parameters/parameters_deserialization.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace {
size_t allocations = 0;
}  // namespace

extern "C" {
void* malloc(size_t size) {
  ++allocations;
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  ++allocations;
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  ++allocations;
  return __libc_realloc(block, size);
}
}

namespace {

struct bad_input {
  const char* name;
  std::function<void()> run;
};

// As a fuzz target's input: the history the error logged is emptied afterwards.
void expect_application_error(const std::function<void()>& run) {
  try {
    run();
  } catch (const common::application_exception&) {
    cpplogger::clear_history();
    return;
  }
  std::abort();
}

void measure(const bad_input& input, int rounds) {
  // The first inputs fill the logger's history and the thread's caches.
  for (int i = 0; i < 100; ++i) expect_application_error(input.run);
  const size_t allocations_before = allocations;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) expect_application_error(input.run);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%-44s %12.1f %12.2f\n", input.name, static_cast<double>(allocations - allocations_before) / rounds,
              std::chrono::duration<double, std::micro>(elapsed).count() / rounds);
}

}  // namespace

// error_path_bench [ROUNDS]: fewer rounds suit a run under callgrind.
int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (rounds <= 0) return 2;
  localization::localization_library().set_functions(
      [] { return winapi::load_library_as_datafile(common::utf8_to_utf16(FERROWICK_MESSAGES_LIBRARY)); },
      [](localization::library_handle module) { winapi::free_data_library(module); });
  localization::localization_library().get();

  const updater::token_list short_list{u"configs_path", u"/c"};
  const bad_input inputs[] = {
      {"base64: invalid symbol", [] { base64::base64_decode("QUJ$RA=="); }},
      {"base64 UTF-16: invalid symbol", [] { base64::base64_decode_wstring(u"QUJ\u00e9RA=="); }},
      {"parameters: list ends after the first pair",
       [&] { updater::deserialize_parameters(short_list, std::nullopt); }},
  };
  std::printf("%-44s %12s %12s\n", "bad input", "allocations", "us");
  for (const auto& input : inputs) measure(input, rounds);
  return 0;
}
