#include "debugger_output_sink.h"

#include "common/winapi/process/environment.h"

namespace logger_tests {

// The stand-in writes each message into the named file before it returns.
void collect_debugger_output(const std::filesystem::path& file) {
  winapi::set_environment_variable("FERROWICK_DEBUG_OUTPUT", file.string());
}

void wait_for_debugger_output() {}

}  // namespace logger_tests
