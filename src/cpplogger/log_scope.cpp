#include "cpplogger/log_scope.h"

#include <exception>
#include <string_view>
#include <utility>

#include "common/call_or_terminate.h"
#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/logger.h"

namespace cpplogger {

namespace {

void write_elapsed(common::u16_stream& text, int64_t ticks) {
  const int64_t microseconds = ticks / 10;
  if (microseconds < 1000) {
    text << microseconds << " microsec";
    return;
  }
  const int64_t milliseconds = microseconds / 1000;
  if (milliseconds < 1000) {
    text << milliseconds << " ms";
    return;
  }
  const int64_t seconds = milliseconds / 1000;
  if (seconds < 60) {
    text << seconds << " sec";
    return;
  }
  const int64_t minutes = seconds / 60;
  text << minutes << " min, " << seconds - 60 * minutes << " sec";
}

}  // namespace

std::u16string elapsed_text(int64_t ticks) {
  common::u16_stream text;
  write_elapsed(text, ticks);
  return std::move(text).str();
}

log_scope::log_scope(const details::scope_site& site) : site_(site), uncaught_at_entry_(std::uncaught_exceptions()) {
  const char16_t* marker = uncaught_at_entry_ > 0 ? u"exc>" : u"--->";
  log(level_debug, common::concat(marker, u" ", site_.entry_text));
  ++details::thread_scope_depth();
  start_ticks_ = winapi::current_time_ticks();
}

log_scope::~log_scope() {
  common::call_or_terminate([&] {
    const int64_t elapsed = winapi::current_time_ticks() - start_ticks_;
    const char16_t* marker = std::uncaught_exceptions() > uncaught_at_entry_ ? u"<exc" : u"<---";
    --details::thread_scope_depth();
    // Built in one text: the exit line is on every scoped call's path.
    common::u16_stream line;
    line.reserve(site_.function_name.size() + 48);
    line << marker << u" " << site_.function_name << u", elapsed: ";
    write_elapsed(line, elapsed);
    log(level_debug, line.str());
  });
}

namespace details {

scope_site::scope_site(const char* pretty_function, const char* file_name, int line)
    : function_name(common::utf8_to_utf16_lenient(qualified_function_name(pretty_function))),
      entry_text(common::concat(function_name, ", file: ", file_name, ", line: ", line)) {}

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
