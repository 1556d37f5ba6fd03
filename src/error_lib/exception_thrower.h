#pragma once
// The throw routine: logs one DEBUG "EXCEPTION " line with the thrower's extra text,
// the exception's message, its type and the throw site, then throws the exception.
//
//   FW_THROW(common::application_exception(5384), "Directory name = ", path);
#include <string>
#include <string_view>
#include <typeinfo>

#include "common/u16_stream.h"

namespace common {

namespace details {

inline constexpr std::u16string_view exception_line_start = u"EXCEPTION ";

// "class " and the demangled name of the type.
std::string type_name(const std::type_info& type);

// Made on the first throw of each type: throwing never demangles again.
template <typename Exception>
const std::string& type_name_of() {
  static const std::string name = type_name(typeid(Exception));
  return name;
}

// Completes the trace line, which holds exception_line_start and the thrower's extra
// text, and logs it; terminates the process if that fails.
void log_exception_line(u16_stream& line, const char* what, std::string_view type, const char* file,
                        int line_number) noexcept;

}  // namespace details

template <typename Exception, typename... Extra>
[[noreturn]] void throw_exception(const Exception& exception, const char* file, int line, const Extra&... extra) {
  const char* what = exception.what();
  const std::string& type = details::type_name_of<Exception>();
  u16_stream text;
  // Sized once: the pieces, the separators ("; " twice, "; file: ", the brackets) and the line number.
  text.reserve((details::exception_line_start.size() + ... + length_hint(extra)) + length_hint(what) +
               length_hint(type) + length_hint(file) + 32);
  text << details::exception_line_start;
  ((text << extra), ...);
  details::log_exception_line(text, what, type, file, line);
  throw exception;
}

}  // namespace common

#define FW_THROW(exception, ...) ::common::throw_exception(exception, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
