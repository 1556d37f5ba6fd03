#include "crash_wine_fixture.h"

#include <gtest/gtest.h>

#include <regex>

wine_e2e::windows_result crash_wine_fixture::run_crashing(const std::string& mode,
                                                          const std::filesystem::path& logs_folder) const {
  task_options options = directory_task(root());
  wine_e2e::set_option(
      options, "worker",
      wine_e2e::windows_path(wine_e2e::wine_programs::get().program(std::string("src/ferrowick/") + crash_worker)));
  wine_e2e::set_option(options, "logs-dir", wine_e2e::windows_path(logs_folder));
  // FERROWICK_TEST_CRASH reaches the worker through wine and the runner.
  return run_task(options, {{"FERROWICK_TEST_CRASH", mode}});
}

std::string crash_wine_fixture::crash_log(const std::filesystem::path& logs_folder) {
  const std::string text = test_support::read_text(logs_folder / "ferrowick-crash-test-worker.log");
  return std::regex_replace(text, std::regex("\r?\n +"), "\n");
}

std::vector<std::filesystem::path> crash_wine_fixture::dumps(const std::filesystem::path& logs_folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(logs_folder)) {
    if (entry.path().extension() == ".dmp") found.push_back(entry.path());
  }
  return found;
}

test_support::child_result crash_wine_fixture::facts_of(const std::filesystem::path& dump) {
  const wine_e2e::wine_programs& programs = wine_e2e::wine_programs::get();
  test_support::child_result facts =
      programs.run(programs.program("tests/minidump_facts.exe"), {wine_e2e::windows_path(dump)});
  std::erase(facts.stdout_text, '\r');
  return facts;
}

void expect_contains(const std::string& text, const std::string& part) {
  EXPECT_NE(text.find(part), std::string::npos) << "missing: " << part << "\nin:\n" << text;
}
