#pragma once
// Contains a structured exception raised inside a Windows call: it leaves the call as
// sehwrapper::exception, which callers handle like any other std::exception.
#include <stdexcept>
#include <string>

#include "common/winapi/language/format_message.h"

namespace sehwrapper {

class exception : public std::runtime_error {
 public:
  exception(const std::string& api_family, const std::string& function_name)
      : std::runtime_error("During [" + api_family + "] " + function_name + " function call was thrown SEH-exception") {
  }
};

template <typename Call>
auto call_winapi_guarded(const char* function_name, Call&& call) {
  try {
    return call();
  } catch (const winapi::structured_exception&) {
    throw exception("WinAPI", function_name);
  }
}

}  // namespace sehwrapper
