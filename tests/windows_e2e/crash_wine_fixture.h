#pragma once
// The crash tests' worker of the Windows build under wine, faulting through its test hook
// (FERROWICK_TEST_CRASH), and what it leaves in a logs folder: the developer log, the
// minidumps, and what dbghelp reads back from a dump (minidump_facts.exe).
#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "wine_e2e_fixture.h"

class crash_wine_fixture : public wine_e2e_fixture {
 protected:
  static constexpr char crash_worker[] = "ferrowick-crash-test-worker.exe";

  // The crash worker on an empty directory source, its logs into logs_folder.
  wine_e2e::windows_result run_crashing(const std::string& mode, const std::filesystem::path& logs_folder) const;
  wine_e2e::windows_result run_crashing(const std::string& mode) const { return run_crashing(mode, logs()); }

  // The developer log with its continuation lines moved back to the first column.
  static std::string crash_log(const std::filesystem::path& logs_folder);
  std::string crash_log() const { return crash_log(logs()); }

  static std::vector<std::filesystem::path> dumps(const std::filesystem::path& logs_folder);
  std::vector<std::filesystem::path> dumps() const { return dumps(logs()); }

  // minidump_facts.exe of the Windows build on dump: its lines (LF only), and whether the
  // dump's exception thread is in its thread list (exit 0).
  static test_support::child_result facts_of(const std::filesystem::path& dump);
};

void expect_contains(const std::string& text, const std::string& part);
