// A worker that faults leaves a dump gdb can read and one FATAL crash report in the
// developer log; an abort leaves "SIGABRT was caught.".
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "crash_fixture.h"

namespace {

using crash_report = crash_fixture;

void expect_contains(const std::string& log, const std::string& text) {
  EXPECT_NE(log.find(text), std::string::npos) << "missing: " << text << "\nlog:\n" << log;
}

void expect_fatal_line(const std::string& log, const std::string& text) {
  const size_t found = log.find(text);
  ASSERT_NE(found, std::string::npos) << "missing: " << text << "\nlog:\n" << log;
  EXPECT_NE(line_at(log, found).find("FATAL"), std::string::npos) << line_at(log, found);
}

const char* const memory_counter_names[] = {
    "PeakWorkingSetSize: ",      "WorkingSetSize: ",      "PeakPagefileUsage: ",          "PagefileUsage: ",
    "QuotaPeakPagedPoolUsage: ", "QuotaPagedPoolUsage: ", "QuotaPeakNonPagedPoolUsage: ", "QuotaNonPagedPoolUsage: "};

// Module lines of the worker itself and the memory counters, with sizes that are real.
void expect_modules_and_counters(const std::string& log) {
  const std::string worker = std::filesystem::canonical(crash_fixture::crash_worker_binary()).string();
  std::smatch module;
  EXPECT_TRUE(std::regex_search(log, module,
                                std::regex("Module name: ferrowick-crash-test-worker\nExecutable: " + worker +
                                           "\nBase address: [0-9a-f]+\nBase size: ([0-9]+)\n")))
      << log;
  if (!module.empty()) {
    EXPECT_GT(std::stoull(module[1]), 0u);
  }
  expect_contains(log, "Module name: libc.so.6\nExecutable: /");
  for (const char* name : memory_counter_names) expect_contains(log, name);
  std::smatch peak;
  ASSERT_TRUE(std::regex_search(log, peak, std::regex("\nPeakWorkingSetSize: ([0-9]+)\nWorkingSetSize: ([0-9]+)\n")));
  EXPECT_GE(std::stoull(peak[1]), std::stoull(peak[2]));
  EXPECT_GT(std::stoull(peak[2]), 1u << 20) << "a resident size of the running worker, in bytes";
  expect_contains(log, "QuotaPeakPagedPoolUsage: 0\n");
}

struct fault_case {
  const char* mode;
  int signal;
  const char* exception_code;  // the report's first line
  const char* data_line;       // the line after ExceptionFlags, if any
  const char* faulting_function;
};

class crash_report_of_a_fault : public crash_fixture, public testing::WithParamInterface<fault_case> {};

TEST_P(crash_report_of_a_fault, leaves_a_dump_gdb_opens_at_the_faulting_function_and_one_fatal_report) {
  const test_support::child_result result = run_crashing(GetParam().mode);
  ASSERT_EQ(result.signal, GetParam().signal) << "the worker ends by the signal it died of\n" << result.stderr_text;
  EXPECT_EQ(result.stdout_text, "");
  EXPECT_EQ(result.stderr_text, "");

  const std::string log = all_log_text();
  expect_fatal_line(log, std::string("ExceptionCode: ") + GetParam().exception_code + "\n");
  EXPECT_EQ(occurrences(log, "ExceptionCode: "), 1u);
  std::smatch address;
  ASSERT_TRUE(std::regex_search(
      log, address, std::regex("\nExceptionAddress: ([0-9a-f]+)\nExceptionFlags: [0-9a-f]+\n(DataAddress: .*\n)?")))
      << log;
  EXPECT_EQ(address[2].matched, *GetParam().data_line != '\0');
  EXPECT_EQ(address[2].str().substr(0, std::strlen(GetParam().data_line)), GetParam().data_line);
  expect_modules_and_counters(log);

  const std::vector<std::filesystem::path> dumps = dump_files();
  ASSERT_EQ(dumps.size(), 1u);
  const std::string name = dumps[0].filename().string();
  std::smatch pid;
  ASSERT_TRUE(std::regex_match(name, pid, std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_(\d+)\.dmp)"))) << name;
  expect_contains(log, "\nMinidump was created: " + (paths_.logs / name).string() + "\n");
  EXPECT_EQ(log.find("Could not create minidump"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(dumps[0]).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  const std::string backtrace = backtrace_of(dumps[0]);
  const size_t first_frame = backtrace.find("\n#0  ");
  ASSERT_NE(first_frame, std::string::npos) << backtrace;
  EXPECT_NE(line_at(backtrace, first_frame + 1).find(std::string(" ") + GetParam().faulting_function + " ("),
            std::string::npos)
      << "the backtrace starts in the faulting function\n"
      << backtrace;
  // The fault happened on the main thread, whose id is the process id in the name.
  expect_contains(backtrace, "LWP " + pid[1].str());
  expect_contains(backtrace, "Program terminated with signal");
  expect_contains(backtrace, "\npc=" + address[1].str() + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    faults, crash_report_of_a_fault,
    testing::Values(fault_case{"segv", SIGSEGV, "b", "DataAddress: 1000\n", "crash_test::crash_test_hook_fault_here"},
                    fault_case{"trap", SIGILL, "4", "", "crash_test::crash_test_hook_trap_here"},
                    fault_case{"stack", SIGSEGV, "b", "DataAddress: ", "crash_test::crash_test_hook_recurse"}),
    [](const testing::TestParamInfo<fault_case>& info) { return std::string(info.param.mode); });

TEST_F(crash_report, an_abort_is_reported_as_the_single_text_sigabrt_was_caught) {
  const test_support::child_result result = run_crashing("abort");
  EXPECT_EQ(result.signal, SIGABRT);
  const std::string log = all_log_text();
  expect_fatal_line(log, "SIGABRT was caught.");
  EXPECT_EQ(occurrences(log, "SIGABRT was caught."), 1u);
  EXPECT_EQ(log.find("ExceptionCode: "), std::string::npos);
  EXPECT_TRUE(dump_files().empty());
}

// Without the capability that lets root write anywhere, a folder without write permission
// stops root too; the developer log exists already and stays writable.
TEST_F(crash_report, an_unwritable_logs_folder_still_gives_the_report_with_the_dump_error) {
  std::ofstream(paths_.logs / crash_log_name()).close();
  std::filesystem::permissions(paths_.logs, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  const test_support::child_result result =
      ::geteuid() == 0
          ? run_crashing("/usr/bin/setpriv",
                         {"--bounding-set=-dac_override,-dac_read_search", crash_worker_binary().string()}, "segv")
          : run_crashing("segv");
  std::filesystem::permissions(paths_.logs, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  EXPECT_EQ(result.signal, SIGSEGV) << result.stderr_text;

  const std::string log = all_log_text();
  expect_fatal_line(log, "ExceptionCode: b\n");
  expect_contains(log, "\nCould not create minidump file. Error: 5\n");
  EXPECT_EQ(log.find("Minidump was created: "), std::string::npos);
  expect_modules_and_counters(log);
  EXPECT_TRUE(dump_files().empty());
}

TEST_F(crash_report, a_fault_in_a_second_thread_while_the_main_thread_logs_gives_one_report) {
  const test_support::child_result result = run_crashing("thread");
  ASSERT_EQ(result.signal, SIGSEGV) << "SIGKILL means the worker hung and was killed";
  const std::string log = all_log_text();
  expect_contains(log, "main thread record 100");
  expect_fatal_line(log, "ExceptionCode: b\n");
  expect_contains(log, "\nDataAddress: 1000\n");
  EXPECT_EQ(occurrences(log, "ExceptionCode: "), 1u);
  EXPECT_EQ(occurrences(log, "Minidump was created: "), 1u);
  EXPECT_EQ(dump_files().size(), 1u);
}

TEST_F(crash_report, two_threads_faulting_at_once_give_one_report) {
  const test_support::child_result result = run_crashing("threads");
  ASSERT_EQ(result.signal, SIGSEGV) << "SIGKILL means the worker hung and was killed";
  const std::string log = all_log_text();
  EXPECT_EQ(occurrences(log, "ExceptionCode: "), 1u) << log;
  EXPECT_EQ(dump_files().size(), 1u);
}

// glibc aborts with the heap's lock held, so the report waits for ever; the worker
// shortens its crash watchdog to 1 s for this run.
TEST_F(crash_report, an_abort_inside_malloc_ends_the_process_by_the_watchdog) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's allocator reports the double free itself";
#endif
  const test_support::child_result result = run_crashing("double_free");
  EXPECT_EQ(result.signal, SIGALRM) << "SIGKILL means the worker hung and was killed\n" << result.stderr_text;
  expect_contains(result.stderr_text, "double free or corruption");
}

TEST_F(crash_report, a_dump_over_its_time_budget_is_given_up_and_the_report_still_comes) {
  const test_support::child_result result = run_crashing("dump_budget");
  ASSERT_EQ(result.signal, SIGSEGV) << "SIGALRM means the dump took the report's time";
  const std::string log = all_log_text();
  expect_fatal_line(log, "ExceptionCode: b\n");
  expect_contains(log, "\nCould not create minidump. Error: 5b4\n");
  EXPECT_EQ(log.find("Minidump was created: "), std::string::npos);
  expect_modules_and_counters(log);
}

// The developer log then lands in the working directory; the process memory goes nowhere.
TEST_F(crash_report, without_a_logs_folder_no_dump_is_written) {
  const std::filesystem::path working = temp_.path() / "working";
  std::filesystem::create_directory(working);
  const auto dumps_in = [](const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> dumps;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".dmp") dumps.push_back(entry.path());
    }
    return dumps;
  };
  const std::vector<std::filesystem::path> root_dumps_before = dumps_in("/");
  test_support::parameter_pairs pairs = client();
  test_support::set_value(pairs, u"logs_path", u"");
  const test_support::child_result result = run_crashing(
      "/bin/sh", {"-c", "cd \"$0\" && exec \"$1\"", working.string(), crash_worker_binary().string()}, "segv", pairs);
  const std::vector<std::filesystem::path> root_dumps = dumps_in("/");
  for (const auto& dump : root_dumps) {
    if (std::find(root_dumps_before.begin(), root_dumps_before.end(), dump) == root_dumps_before.end())
      std::filesystem::remove(dump);
  }
  EXPECT_EQ(result.signal, SIGSEGV) << result.stderr_text;
  EXPECT_EQ(root_dumps, root_dumps_before);
  EXPECT_TRUE(dumps_in(working).empty());
  const std::string log = all_log_text(working);
  expect_fatal_line(log, "ExceptionCode: b\n");
  expect_contains(log, "\nCould not create minidump file. Error: 3\n");
  EXPECT_EQ(log.find("Minidump was created: "), std::string::npos);
}

TEST_F(crash_report, a_second_installation_keeps_the_first_folder_and_callback) {
  std::filesystem::create_directory(paths_.logs / "second");
  const test_support::child_result result = run_crashing("reinstall");
  EXPECT_EQ(result.signal, SIGSEGV);
  EXPECT_EQ(result.stderr_text, "") << "the second callback was never called";
  expect_fatal_line(all_log_text(), "ExceptionCode: b\n");
  const std::vector<std::filesystem::path> dumps = dump_files();
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_EQ(dumps[0].parent_path(), paths_.logs);
}

std::string contents_of(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST_F(crash_report, the_shipped_worker_has_no_crash_hook) {
  EXPECT_NE(contents_of(crash_worker_binary()).find("crash_test_hook_fault_here"), std::string::npos);
  EXPECT_EQ(contents_of(worker_binary()).find("crash_test_hook_fault_here"), std::string::npos);
  const test_support::child_result result = run_crashing(worker_binary(), {}, "segv");
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_code, 255) << "no update can be placed from an empty source";
  EXPECT_TRUE(dump_files().empty());
}

}  // namespace
