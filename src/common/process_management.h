#pragma once
// The worker's standard streams: its redirected input, and writes into pipes whose
// reader has gone.
#include <cstdint>
#include <vector>

#include "common/handle_holder.h"

namespace process_management {

// The largest parameter text the service may hand over: 100 MiB.
constexpr uint64_t max_redirected_input_size = 0x6400000;

// Stand-in for GetStdHandle(STD_INPUT_HANDLE): a handle of its own to the standard
// input (a duplicate of descriptor 0, so that 0 keeps meaning "no handle"). Closing
// it leaves descriptor 0 open. Empty when there is no standard input.
common::handle_holder get_standard_input();

// Everything that is in the pipe right now, plus two zero bytes (a UTF-16
// terminator); empty when the pipe is empty. The handle must be a pipe: anything
// else raises the Windows error of "PeekNamedPipe". More than 100 MiB raises 5152,
// a short read 5154.
std::vector<uint8_t> read_from_redirected_input(winapi::handle_t handle);

// A write into a pipe that nobody reads any more fails (EPIPE, Windows error 109) as
// WriteFile does on Windows, instead of ending the process with SIGPIPE.
void make_broken_pipe_writes_fail();

// Standard output and error pass every byte on as written: a CR LF the program writes
// reaches the reader as CR LF, not as the CR CR LF of a text-mode stream on Windows.
void keep_written_line_ends();

}  // namespace process_management
