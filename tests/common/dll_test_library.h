#pragma once
// A library of the system that nothing else in the test program loads, for the tests of
// common::dll.
#include <functional>

#include "common/dll.h"

namespace dll_test {

extern const char16_t library_name[];
extern const char exported_function[];
// A full path of a library that does not exist.
extern const char16_t missing_library[];

// The export resolved from module, as a call that says whether it answered as the library does.
std::function<bool()> resolve_export(const common::dll::module_holder& module);

// Whether the library is mapped into this process.
bool library_is_mapped();

}  // namespace dll_test
