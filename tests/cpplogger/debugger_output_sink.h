#pragma once
// Where the tests find what the process sends to the debugger output.
#include <filesystem>

namespace logger_tests {

// Sends this process's debugger output into the file, from now on (before the first
// debugger message).
void collect_debugger_output(const std::filesystem::path& file);

// Returns once every message sent so far is in the file.
void wait_for_debugger_output();

}  // namespace logger_tests
