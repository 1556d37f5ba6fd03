#pragma once
// Brackets a function body with "--->" entry and "<---" exit lines at DEBUG, with
// the elapsed time, and indents what is logged inside.
#include <cstdint>
#include <string>

namespace cpplogger {

namespace details {

// What a scope's lines take from where it stands, made once per site so that a scoped
// call converts no text: the function name and the end of the entry line.
struct scope_site {
  scope_site(const char* pretty_function, const char* file_name, int line);

  std::u16string function_name;  // "ns::function"
  std::u16string entry_text;     // "ns::function, file: <file>, line: <line>"
};

// "ns::function" out of the compiler's full function signature.
std::string qualified_function_name(const char* pretty_function);

}  // namespace details

class log_scope {
 public:
  explicit log_scope(const details::scope_site& site);
  ~log_scope();
  log_scope(const log_scope&) = delete;
  log_scope& operator=(const log_scope&) = delete;

 private:
  const details::scope_site& site_;
  int uncaught_at_entry_;
  int64_t start_ticks_;
};

// Elapsed text of a duration in 100-ns ticks: "N microsec", "N ms", "N sec", "M min, S sec".
std::u16string elapsed_text(int64_t ticks);

}  // namespace cpplogger

#define FW_LOG_SCOPE_CONCAT2(a, b) a##b
#define FW_LOG_SCOPE_CONCAT(a, b) FW_LOG_SCOPE_CONCAT2(a, b)
#define FW_LOG_SCOPE()                                                                                             \
  static const ::cpplogger::details::scope_site FW_LOG_SCOPE_CONCAT(fw_scope_site_, __LINE__)(__PRETTY_FUNCTION__, \
                                                                                              __FILE__, __LINE__); \
  ::cpplogger::log_scope FW_LOG_SCOPE_CONCAT(fw_scope_, __LINE__)(FW_LOG_SCOPE_CONCAT(fw_scope_site_, __LINE__))
