// A package file as downloaded: opened and verified with the demo keys, and read by the
// publishing tools' unverified inspection.
#include <cstddef>
#include <cstdint>

#include "error_lib/application_exception.h"
#include "support/demo_keys.h"
#include "support/process_state.h"
#include "support/scratch_directory.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/package/package_inspection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  const std::u16string path = fuzz_support::write_scratch_file("package.upd", data, size);
  try {
    updater::package opened(path, updater::package::mode::open_existing, fuzz_support::demo_public_keys(), {});
  } catch (const common::application_exception&) {
  }
  try {
    updater::read_package_layout_without_verification(path);
  } catch (const common::application_exception&) {
  }
  fuzz_support::clear_scratch_directory();
  return 0;
}
