// ferrowick-run.exe given no worker starts the one beside itself only: the folders next to
// an installation's (..\ferrowick\, ..\lib\ferrowick\) may be any local user's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wine_e2e_fixture.h"

namespace {

using runner_worker_search_under_wine = wine_e2e_fixture;

TEST_F(runner_worker_search_under_wine, a_worker_in_a_neighbouring_folder_is_never_started) {
  const wine_e2e::wine_programs& programs = wine_e2e::wine_programs::get();
  const std::filesystem::path install = root() / "install";
  const std::filesystem::path runner = install / "bin" / "ferrowick-run.exe";
  std::filesystem::create_directories(runner.parent_path());
  std::filesystem::copy_file(programs.program("src/tools/ferrowick-run.exe"), runner);
  for (const std::filesystem::path& folder : {install / "ferrowick", install / "lib" / "ferrowick"}) {
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(programs.program("src/ferrowick/ferrowick.exe"), folder / "ferrowick.exe");
  }
  std::vector<std::string> arguments;
  for (const auto& [name, value] : https_task(wine_e2e::update_server_port())) {
    if (name != "worker") arguments.insert(arguments.end(), {"--" + name, value});
  }

  const wine_e2e::windows_result not_found = programs.run_for_exit_code(runner, arguments, root());
  EXPECT_EQ(not_found.exit_code, 1);
  EXPECT_TRUE(not_found.stderr_text.starts_with("ferrowick-run: error win32 2: ")) << not_found.stderr_text;
  EXPECT_TRUE(test_support::list_names(destination()).empty());

  std::filesystem::copy_file(programs.program("src/ferrowick/ferrowick.exe"), runner.parent_path() / "ferrowick.exe");
  expect_placed(programs.run_for_exit_code(runner, arguments, root()));
}

}  // namespace
