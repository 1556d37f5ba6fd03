#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "common/process_management.h"
#include "error_lib/categories.h"
#include "support/anonymous_pipe.h"
#include "support/error_of.h"
#include "support/log_capture.h"
#include "support/standard_input_replacement.h"

namespace {

// Unlike a Linux pipe, an empty pipe whose writer has gone cannot be peeked.
TEST(process_management_windows_pipe, an_empty_pipe_without_a_writer_is_a_broken_pipe) {
  test_support::log_capture capture;
  test_support::anonymous_pipe pipe = test_support::make_anonymous_pipe();
  pipe.writer.close();
  EXPECT_EQ(test_support::error_of([&] { process_management::read_from_redirected_input(pipe.reader.get()); }),
            win32::make_win32_error(ERROR_BROKEN_PIPE));
}

TEST(process_management_windows_standard_input, is_the_process_standard_input_handle) {
  const test_support::anonymous_pipe pipe = test_support::make_anonymous_pipe();
  const test_support::standard_input_replacement replaced(pipe.reader.get());
  const common::handle_holder input = process_management::get_standard_input();
  ASSERT_TRUE(input.valid());
  EXPECT_EQ(input.get(), reinterpret_cast<winapi::handle_t>(::GetStdHandle(STD_INPUT_HANDLE)));
}

TEST(process_management_line_ends, puts_standard_output_and_error_in_binary_mode) {
  process_management::keep_written_line_ends();
  // Each stream goes back to the text mode it starts in.
  EXPECT_EQ(::_setmode(::_fileno(stdout), _O_TEXT), _O_BINARY);
  EXPECT_EQ(::_setmode(::_fileno(stderr), _O_TEXT), _O_BINARY);
}

}  // namespace
