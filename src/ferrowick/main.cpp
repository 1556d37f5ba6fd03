#include "common/process_management.h"
#include "ferrowick/worker.h"

// Command-line arguments are not used: the service hands the task over standard input.
int main() {
  // A service that has stopped reading must not turn a placed update into a signal death.
  process_management::make_broken_pipe_writes_fail();
  // The result lines carry their CR LF already.
  process_management::keep_written_line_ends();
  return wmain();
}
