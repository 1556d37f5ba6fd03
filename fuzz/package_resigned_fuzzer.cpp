// A mutated package re-signed with the demo keys, so that every input reaches the
// structural checks behind the signatures; a package that opens must list exactly the
// FILE sections that were signed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "error_lib/application_exception.h"
#include "support/demo_keys.h"
#include "support/package_resigning.h"
#include "support/process_state.h"
#include "support/scratch_directory.h"
#include "updater_lib/details/package/package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  const auto resigned = fuzz_support::resign_package(data, size);
  const std::u16string path =
      fuzz_support::write_scratch_file("package.upd", resigned.bytes.data(), resigned.bytes.size());
  try {
    updater::package opened(path, updater::package::mode::open_existing, fuzz_support::demo_public_keys(), {});
    if (opened.get_files().size() != resigned.file_count) std::abort();
  } catch (const common::application_exception&) {
  }
  fuzz_support::clear_scratch_directory();
  return 0;
}
