#include "error_lib/exception_thrower.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>

#include "common/call_or_terminate.h"
#include "cpplogger/logger.h"

namespace common::details {

namespace {

std::string type_name(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                        &std::free);
  return "class " + std::string(status == 0 && demangled ? demangled.get() : type.name());
}

}  // namespace

void log_exception_line(const std::u16string& extra, const char* what, const std::type_info& type, const char* file,
                        int line) noexcept {
  common::call_or_terminate([&] {
    std::u16string text = extra;
    const std::u16string message = utf8_to_utf16(what);
    if (!message.empty()) {
      if (!text.empty()) text += u"; ";
      text += message + u"; ";
    } else if (!text.empty()) {
      text += u"; ";
    }
    text += concat(type_name(type), "; file: ", file, "(", line, ")");
    cpplogger::log(cpplogger::level_debug, u"EXCEPTION " + text);
  });
}

}  // namespace common::details
