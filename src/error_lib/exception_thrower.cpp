#include "error_lib/exception_thrower.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>

#include "common/call_or_terminate.h"
#include "cpplogger/logger.h"

namespace common::details {

std::string type_name(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                        &std::free);
  return "class " + std::string(status == 0 && demangled ? demangled.get() : type.name());
}

void log_exception_line(u16_stream& line, const char* what, std::string_view type, const char* file,
                        int line_number) noexcept {
  common::call_or_terminate([&] {
    // The extra text and the message each end in "; " when they are there.
    std::u16string text = std::move(line).str();
    if (text.size() > exception_line_start.size()) text += u"; ";
    const size_t message_start = text.size();
    append_utf8(text, what);
    if (text.size() > message_start) text += u"; ";
    u16_stream completed(std::move(text));
    completed << type << "; file: " << file << "(" << line_number << ")";
    cpplogger::log(cpplogger::level_debug, completed.str());
  });
}

}  // namespace common::details
