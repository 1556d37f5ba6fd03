// A crash whose logs folder has a long path: the dump's path was once cut at 260 bytes,
// so a logs path of more than about 230 characters left no dump.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "crash_wine_fixture.h"

namespace {

using crash_long_logs_path_wine = crash_wine_fixture;

TEST_F(crash_long_logs_path_wine, a_fault_leaves_a_dump_dbghelp_reads_back) {
  std::filesystem::path logs_folder = root() / "logs";
  while (wine_e2e::windows_path(logs_folder).size() < 240) logs_folder /= std::string(60, 'l');
  std::filesystem::create_directories(logs_folder);

  const wine_e2e::windows_result result = run_crashing("segv", logs_folder);
  EXPECT_EQ(static_cast<uint32_t>(result.exit_code), 0xC0000005u);
  const std::vector<std::filesystem::path> dump = dumps(logs_folder);
  ASSERT_EQ(dump.size(), 1u) << crash_log(logs_folder);
  expect_contains(crash_log(logs_folder), "\nMinidump was created: " + wine_e2e::windows_path(dump[0]) + "\n");
  const test_support::child_result facts = facts_of(dump[0]);
  EXPECT_EQ(facts.exit_code, 0) << facts.stderr_text;
  expect_contains(facts.stdout_text, "exception_code: c0000005\n");
  expect_contains(facts.stdout_text, "(full memory)\n");
}

}  // namespace
