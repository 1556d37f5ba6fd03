#include <gtest/gtest.h>
#include <stdlib.h>

#include "common/program_arguments.h"

namespace {

// The runner passes only ASCII arguments (the test filter), which the ANSI argv holds
// unchanged too; the program name is left out.
TEST(program_arguments, are_the_wide_command_line_after_the_program_name) {
  const std::vector<std::string> expected(__argv + 1, __argv + __argc);
  EXPECT_EQ(common::program_arguments(__argc, __argv), expected);
}

}  // namespace
