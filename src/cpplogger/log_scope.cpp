#include "cpplogger/log_scope.h"

#include <exception>
#include <string_view>

#include "common/call_or_terminate.h"
#include "common/u16_stream.h"
#include "common/winapi/process_info.h"
#include "cpplogger/logger.h"

namespace cpplogger {

std::u16string elapsed_text(int64_t ticks) {
  const int64_t microseconds = ticks / 10;
  if (microseconds < 1000) return common::concat(microseconds, " microsec");
  const int64_t milliseconds = microseconds / 1000;
  if (milliseconds < 1000) return common::concat(milliseconds, " ms");
  const int64_t seconds = milliseconds / 1000;
  if (seconds < 60) return common::concat(seconds, " sec");
  const int64_t minutes = seconds / 60;
  return common::concat(minutes, " min, ", seconds - 60 * minutes, " sec");
}

log_scope::log_scope(const char* function_name, const char* file_name, int line)
    : function_name_(function_name), uncaught_at_entry_(std::uncaught_exceptions()) {
  const char16_t* marker = uncaught_at_entry_ > 0 ? u"exc>" : u"--->";
  log(level_debug, common::concat(marker, " ", function_name, ", file: ", file_name, ", line: ", line));
  ++details::thread_scope_depth();
  start_ticks_ = winapi::current_time_ticks();
}

log_scope::~log_scope() {
  common::call_or_terminate([&] {
    const std::u16string elapsed = elapsed_text(winapi::current_time_ticks() - start_ticks_);
    const char16_t* marker = std::uncaught_exceptions() > uncaught_at_entry_ ? u"<exc" : u"<---";
    --details::thread_scope_depth();
    log(level_debug, common::concat(marker, " ", function_name_, ", elapsed: ", elapsed));
  });
}

namespace details {

std::string qualified_function_name(const char* pretty_function) {
  const std::string signature(pretty_function);
  // The name ends at the parameter list's '(' (skip "operator()" style names).
  size_t end = signature.find('(');
  if (end != std::string::npos && std::string_view(signature).substr(0, end).ends_with("operator"))
    end = signature.find('(', end + 2);
  if (end == std::string::npos) return signature;
  int angle_depth = 0;
  size_t begin = end;
  while (begin > 0) {
    const char c = signature[begin - 1];
    if (c == '>') ++angle_depth;
    if (c == '<') --angle_depth;
    if (c == ' ' && angle_depth == 0) break;
    --begin;
  }
  return signature.substr(begin, end - begin);
}

}  // namespace details

}  // namespace cpplogger
