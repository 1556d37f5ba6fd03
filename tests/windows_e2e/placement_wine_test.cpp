// Where the worker under wine places an update: from a source folder, and into a
// destination whose path is longer than the plain Windows calls take; and the runner's
// own files under names the ANSI code page lacks.
#include <algorithm>
#include <string>

#include "wine_e2e_fixture.h"

namespace {

using placement_under_wine = wine_e2e_fixture;

// A folder below parent whose Windows path is longer than MAX_PATH (260).
std::filesystem::path long_folder(const std::filesystem::path& parent) {
  std::filesystem::path folder = parent;
  while (wine_e2e::windows_path(folder).size() <= 280) folder /= std::string(60, 'l');
  return folder;
}

TEST_F(placement_under_wine, from_a_folder_or_the_server_into_short_and_long_destinations) {
  const std::filesystem::path source = root() / "source";
  std::filesystem::create_directories(source);
  for (const char* name : {"info2.txt", wine_e2e::package}) {
    std::filesystem::copy_file(wine_e2e::update_folder() / name, source / name);
  }
  const struct {
    const char* name;
    bool from_the_server;
    bool long_destination;
  } cases[] = {{"from a folder", false, false},
               {"from a folder, long destination", false, true},
               {"from the server, long destination", true, true}};
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    const std::filesystem::path parent = root() / row.name;
    const std::filesystem::path destination = row.long_destination ? long_folder(parent) : parent;
    std::filesystem::create_directories(destination);
    task_options options = row.from_the_server ? https_task(wine_e2e::update_server_port()) : directory_task(source);
    wine_e2e::set_option(options, "dest-dir", wine_e2e::windows_path(destination));
    expect_placed(run_task(options), destination);
  }
}

// The runner reads and writes its state file by the UTF-8 name the task file gives.
TEST_F(placement_under_wine, a_state_file_named_outside_the_code_page_is_written_then_read) {
  const std::filesystem::path folder = root() / u8"состояние";
  std::filesystem::create_directories(folder);
  task_options options = https_task(wine_e2e::update_server_port());
  std::erase_if(options, [](const auto& option) { return option.first == "previous-release"; });
  wine_e2e::set_option(options, "state", wine_e2e::windows_path(folder / u8"выпуск.txt"));
  expect_placed(run_task(options));
  EXPECT_EQ(test_support::read_text(folder / u8"выпуск.txt"), std::string(wine_e2e::release) + "\n");
  EXPECT_EQ(run_task(options).exit_code, -2);
}

}  // namespace
