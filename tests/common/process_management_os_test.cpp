#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/process_management.h"
#include "support/anonymous_pipe.h"
#include "support/log_capture.h"
#include "support/standard_input_replacement.h"

namespace {

// Unlike a Windows pipe, an empty pipe whose writer has gone peeks as empty.
TEST(process_management_linux_pipe, an_empty_pipe_without_a_writer_gives_no_bytes) {
  test_support::log_capture capture;
  test_support::anonymous_pipe pipe = test_support::make_anonymous_pipe();
  pipe.writer.close();
  EXPECT_TRUE(process_management::read_from_redirected_input(pipe.reader.get()).empty());
}

// Descriptor 0 keeps meaning "no handle", so standard input comes as a descriptor above it.
TEST(process_management_linux_standard_input, is_a_handle_of_its_own) {
  const test_support::anonymous_pipe pipe = test_support::make_anonymous_pipe();
  const test_support::standard_input_replacement replaced(pipe.reader.get());
  const common::handle_holder input = process_management::get_standard_input();
  ASSERT_TRUE(input.valid());
  EXPECT_GE(input.get(), 3);
  EXPECT_NE(input.get(), pipe.reader.get());
}

}  // namespace
