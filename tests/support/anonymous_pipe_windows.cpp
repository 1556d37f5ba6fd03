#include <windows.h>

#include <stdexcept>
#include <string>

#include "support/anonymous_pipe.h"

namespace test_support {

anonymous_pipe make_anonymous_pipe(uint32_t capacity) {
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  if (!::CreatePipe(&reader, &writer, nullptr, capacity)) {
    throw std::runtime_error("CreatePipe failed: " + std::to_string(::GetLastError()));
  }
  return {common::handle_holder(reinterpret_cast<winapi::handle_t>(reader)),
          common::handle_holder(reinterpret_cast<winapi::handle_t>(writer))};
}

}  // namespace test_support
