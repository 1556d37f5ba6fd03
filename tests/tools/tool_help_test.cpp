// Every tool answers --help and -h with its usage on standard output and exit code 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/child_process.h"

namespace {

struct help_case {
  const char* tool;
  const char* option;
  const char* usage_start;
};
void PrintTo(const help_case& c, std::ostream* out) { *out << c.tool << ' ' << c.option; }

class tool_help : public ::testing::TestWithParam<help_case> {};

TEST_P(tool_help, prints_the_usage_on_standard_output_and_exits_0) {
  test_support::child_options options;
  options.arguments = {GetParam().option};
  const auto result =
      test_support::run_child(std::filesystem::path(FERROWICK_BINARY_DIR) / "src/tools" / GetParam().tool, options);
  EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
  EXPECT_TRUE(result.stdout_text.starts_with(GetParam().usage_start)) << result.stdout_text;
  EXPECT_EQ(result.stderr_text, "");
}

INSTANTIATE_TEST_SUITE_P(
    all, tool_help,
    ::testing::Values(help_case{"ferrowick-pack", "--help", "usage:\n  ferrowick-pack keygen PREFIX\n"},
                      help_case{"ferrowick-pack", "-h", "usage:\n  ferrowick-pack keygen PREFIX\n"},
                      help_case{"ferrowick-event", "--help", "usage: ferrowick-event create|set|delete NAME\n"},
                      help_case{"ferrowick-event", "-h", "usage: ferrowick-event create|set|delete NAME\n"},
                      help_case{"ferrowick-reg", "--help", "usage: ferrowick-reg get KEY VALUE\n"},
                      help_case{"ferrowick-reg", "-h", "usage: ferrowick-reg get KEY VALUE\n"},
                      help_case{"ferrowick-run", "--help", "usage: ferrowick-run --dest-dir DIR"},
                      help_case{"ferrowick-run", "-h", "usage: ferrowick-run --dest-dir DIR"}),
    [](const auto& info) {
      std::string name = std::string(info.param.tool) + info.param.option;
      std::erase(name, '-');
      return name;
    });

}  // namespace
