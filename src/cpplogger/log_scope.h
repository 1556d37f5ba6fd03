#pragma once
// Brackets a function body with "--->" entry and "<---" exit lines at DEBUG, with
// the elapsed time, and indents what is logged inside.
#include <cstdint>
#include <string>

namespace cpplogger {

class log_scope {
 public:
  log_scope(const char* function_name, const char* file_name, int line);
  ~log_scope();
  log_scope(const log_scope&) = delete;
  log_scope& operator=(const log_scope&) = delete;

 private:
  const char* function_name_;
  int uncaught_at_entry_;
  int64_t start_ticks_;
};

// Elapsed text of a duration in 100-ns ticks: "N microsec", "N ms", "N sec", "M min, S sec".
std::u16string elapsed_text(int64_t ticks);

namespace details {
// "ns::function" out of the compiler's full function signature.
std::string qualified_function_name(const char* pretty_function);
}  // namespace details

}  // namespace cpplogger

#define FW_LOG_SCOPE_CONCAT2(a, b) a##b
#define FW_LOG_SCOPE_CONCAT(a, b) FW_LOG_SCOPE_CONCAT2(a, b)
#define FW_LOG_SCOPE()                                                     \
  static const std::string FW_LOG_SCOPE_CONCAT(fw_scope_name_, __LINE__) = \
      ::cpplogger::details::qualified_function_name(__PRETTY_FUNCTION__);  \
  ::cpplogger::log_scope FW_LOG_SCOPE_CONCAT(fw_scope_, __LINE__)(         \
      FW_LOG_SCOPE_CONCAT(fw_scope_name_, __LINE__).c_str(), __FILE__, __LINE__)
