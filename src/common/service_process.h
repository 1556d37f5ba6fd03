#pragma once
// Stand-in for how the service starts a worker (CreatePipe, WriteFile, CreateProcessW
// with redirected standard handles and CREATE_NEW_PROCESS_GROUP, WaitForMultipleObjects,
// GetExitCodeProcess). Used by the service-side runner tool, never by the worker.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/console_control.h"

namespace service_process {

// The file name of a program of this system: the base name itself on Linux, with ".exe"
// on Windows.
std::u16string program_file_name(std::u16string_view base_name);

// Folders, relative to the runner's own, where the worker is looked for when it is not
// beside the runner: the build tree's and the Debian package's places (../ferrowick/,
// ../lib/ferrowick/) on Linux. None on Windows: the folders beside an installation
// (C:\lib\... for one at C:\X) may be any local user's.
std::vector<std::u16string_view> other_worker_folders();

enum class wait_outcome { exited, interrupted, deadline_passed };

// A worker's own exit code (0, -1, -2, -3) as this system hands it to whoever started
// the runner: a POSIX shell sees its low byte (-3 is 253), Windows the 32-bit code itself.
int status_of_worker_code(int worker_code);

class worker_process {
 public:
  // Starts program. Its standard input is a pipe that already holds all of input and is
  // closed for writing before the program starts (the worker reads only what is in the
  // pipe at its read); standard output is inherited, or, with keep_first_output_line, a
  // pipe that wait passes on unchanged while keeping its first line; standard error is
  // a pipe that wait passes on to the caller's standard error unchanged. The program
  // gets a process group of its own, so a terminal's Ctrl-C reaches only the caller.
  // Raises the Windows error of "CreatePipe" or "CreateProcessW", and 5152 when the
  // input does not fit into a pipe.
  worker_process(const std::u16string& program, const std::vector<uint8_t>& input, bool keep_first_output_line = false);
  // A worker still running here is killed, so no process is left behind.
  ~worker_process();
  worker_process(const worker_process&) = delete;
  worker_process& operator=(const worker_process&) = delete;

  // Sleeps until the worker ends, an interrupt reaches the listener, or the deadline
  // passes (none: no deadline), passing on what the worker writes to standard error.
  wait_outcome wait(const console_control::interrupt_listener& interrupts,
                    std::optional<std::chrono::steady_clock::time_point> deadline);

  // After wait returned exited: the status as the system shows it; on Linux 0 to 255 for
  // an exit code (a worker's -3 is 253) and 128 + the signal number for a worker ended by
  // a signal, on Windows the exit code as it is (-3, or 0xC0000005 for an access violation).
  int exit_status() const;

  // What the worker wrote to standard error so far: anything at all, and its last byte.
  bool wrote_to_standard_error() const { return last_error_byte_.has_value(); }
  bool standard_error_ends_line() const { return last_error_byte_ == '\n'; }

  // With keep_first_output_line: what the worker wrote to standard output before its
  // first line end (CR or LF), at most head_limit bytes.
  const std::string& first_output_line() const { return first_output_line_; }
  // The first head_limit bytes the worker wrote to standard error.
  const std::string& standard_error_head() const { return error_head_; }
  static constexpr size_t head_limit = 4096;

 private:
  void pass_on_standard_output();
  void pass_on_standard_error();
  // Keep what the caller may ask for of each chunk of output passed on.
  void observe_standard_output(std::string_view chunk);
  void observe_standard_error(std::string_view chunk);

  // The process and pipe handles of the system.
  struct system_handles;
  std::unique_ptr<system_handles> system_;
  std::string first_output_line_;
  bool first_output_line_ended_ = false;
  std::string error_head_;
  std::optional<char> last_error_byte_;
  std::optional<int> status_;
};

}  // namespace service_process
