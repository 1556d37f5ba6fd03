#include "common/dll_test_library.h"

#include <fstream>
#include <string>

namespace dll_test {

// A C library part with an export that takes no arguments: the most bytes of one
// character in the current locale.
const char16_t library_name[] = u"libBrokenLocale.so.1";
const char exported_function[] = "__ctype_get_mb_cur_max";
const char16_t missing_library[] = u"/no/such/library.so";

std::function<bool()> resolve_export(const common::dll::module_holder& module) {
  const auto function = common::dll::resolve<size_t()>(module, exported_function);
  return [function] { return function() >= 1; };
}

bool library_is_mapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libBrokenLocale") != std::string::npos) return true;
  }
  return false;
}

}  // namespace dll_test
