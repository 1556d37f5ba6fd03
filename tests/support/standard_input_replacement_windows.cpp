#include <windows.h>

#include "common/handle_holder.h"
#include "support/standard_input_replacement.h"

namespace test_support {

standard_input_replacement::standard_input_replacement(winapi::handle_t replacement)
    : saved_(reinterpret_cast<winapi::handle_t>(::GetStdHandle(STD_INPUT_HANDLE))) {
  HANDLE copy = nullptr;
  if (!common::is_no_handle(replacement)) {
    ::DuplicateHandle(::GetCurrentProcess(), reinterpret_cast<HANDLE>(replacement), ::GetCurrentProcess(), &copy, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
  }
  ::SetStdHandle(STD_INPUT_HANDLE, copy);
}

standard_input_replacement::~standard_input_replacement() {
  ::SetStdHandle(STD_INPUT_HANDLE, reinterpret_cast<HANDLE>(saved_));
}

}  // namespace test_support
