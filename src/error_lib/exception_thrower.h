#pragma once
// The throw routine: logs one DEBUG "EXCEPTION " line with the thrower's extra text,
// the exception's message, its type and the throw site, then throws the exception.
//
//   FW_THROW(common::application_exception(5384), "Directory name = ", path);
#include <string>
#include <typeinfo>

#include "common/u16_stream.h"

namespace common {

namespace details {
// Writes the trace line; terminates the process if that fails.
void log_exception_line(const std::u16string& extra, const char* what, const std::type_info& type, const char* file,
                        int line) noexcept;
}  // namespace details

template <typename Exception, typename... Extra>
[[noreturn]] void throw_exception(const Exception& exception, const char* file, int line, const Extra&... extra) {
  u16_stream text;
  ((text << extra), ...);
  details::log_exception_line(text.str(), exception.what(), typeid(Exception), file, line);
  throw exception;
}

}  // namespace common

#define FW_THROW(exception, ...) ::common::throw_exception(exception, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
