// The crash tests' worker of the Windows build under wine, faulting through its test hook
// as the Linux crash tests make it: a minidump named after the time and the process in
// the logs folder, which dbghelp reads back, and one FATAL report; an abort gives
// "SIGABRT was caught.". wine writes a full-memory dump of the worker (about 380 MB) in
// about a minute and cannot cancel it; the harness's time limit bounds the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "crash_wine_fixture.h"

namespace {

using crash_report_wine = crash_wine_fixture;

std::string line_with(const std::string& text, const std::string& part) {
  const size_t found = text.find(part);
  if (found == std::string::npos) return {};
  const size_t begin = text.rfind('\n', found) + 1;
  return text.substr(begin, text.find('\n', found) - begin);
}

TEST_F(crash_report_wine, an_access_violation_leaves_a_dump_dbghelp_reads_back_and_one_fatal_report) {
  const wine_e2e::windows_result result = run_crashing("segv");
  EXPECT_EQ(static_cast<uint32_t>(result.exit_code), 0xC0000005u) << "the exception's code is the exit code";

  const std::string log = crash_log();
  EXPECT_NE(line_with(log, "ExceptionCode: c0000005\n").find("FATAL"), std::string::npos) << log;
  std::smatch address;
  ASSERT_TRUE(std::regex_search(log, address,
                                std::regex("\nExceptionAddress: ([0-9a-f]+)\nExceptionFlags: 0\n"
                                           "DataAddress: 1000\n")))
      << log;
  expect_contains(log, std::string("Module name: ") + crash_worker + "\nExecutable: Z:\\");
  expect_contains(log, "\nQuotaNonPagedPoolUsage: ");

  const std::vector<std::filesystem::path> dump = dumps();
  ASSERT_EQ(dump.size(), 1u);
  const std::string name = dump[0].filename().string();
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_\d+\.dmp)"))) << name;
  expect_contains(log, "\nMinidump was created: " + wine_e2e::windows_path(dump[0]) + "\n");

  const test_support::child_result facts = facts_of(dump[0]);
  EXPECT_EQ(facts.exit_code, 0) << "the faulting thread is in the dump's thread list\n" << facts.stderr_text;
  // The fault happened on the thread that logged the report.
  std::smatch thread;
  ASSERT_TRUE(std::regex_search(log, thread, std::regex(R"((?:^|\n)\S+ \S+ (\d+) FATAL ExceptionCode: )"))) << log;
  expect_contains(facts.stdout_text, "exception_thread: " + thread[1].str() + "\n");
  expect_contains(facts.stdout_text, "exception_code: c0000005\n");
  expect_contains(facts.stdout_text, "exception_address: " + address[1].str() + "\n");
  expect_contains(facts.stdout_text, "(full memory)\n");
  expect_contains(facts.stdout_text, std::string("\\") + crash_worker + "\n");
}

TEST_F(crash_report_wine, an_abort_is_reported_as_the_single_text_sigabrt_was_caught) {
  const wine_e2e::windows_result result = run_crashing("abort");
  EXPECT_EQ(result.exit_code, 3) << "the C runtime's abort";
  const std::string log = crash_log();
  EXPECT_NE(line_with(log, "SIGABRT was caught.").find("FATAL"), std::string::npos) << log;
  EXPECT_EQ(log.find("ExceptionCode: "), std::string::npos);
  EXPECT_TRUE(dumps().empty());
}

}  // namespace
