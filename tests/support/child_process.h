#pragma once
// Runs a program as a child process the way the service runs the worker: standard input
// is a pipe that already holds the whole input (or a file, to test the refusal of
// anything but a pipe), standard output and error are captured.
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

struct child_options {
  std::vector<std::string> arguments;  // after the program name
  // Written into the standard-input pipe, which is then closed for writing, before the
  // child starts. Ignored when stdin_file is set.
  std::string stdin_bytes;
  std::optional<std::filesystem::path> stdin_file;
  // Standard output is a pipe whose read end is closed before the child starts: a
  // reader that has gone. stdout_text stays empty.
  bool stdout_reader_gone = false;
  // Added to (or, for nullopt, removed from) the parent's environment.
  std::map<std::string, std::optional<std::string>> environment;
  // The child is killed when it runs longer.
  std::chrono::seconds timeout{60};
};

struct child_result {
  // The exit status (0..255), or -1 when the child ended by a signal.
  int exit_code = -1;
  int signal = 0;  // the ending signal, or 0
  std::string stdout_text;
  std::string stderr_text;
};

// Raises std::runtime_error when the child cannot be started or the input does not fit
// into a pipe.
child_result run_child(const std::filesystem::path& program, const child_options& options = {});

}  // namespace test_support
