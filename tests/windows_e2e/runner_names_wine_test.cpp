// What other users of the machine could plant under the names the Windows runner uses:
// a stop event made first under the name a task gives, and links at the names its
// settings folder had in the temporary folder, which were made of its process id.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "wine_e2e_fixture.h"

namespace {

using namespace std::chrono_literals;
using wine_e2e::set_option;
using wine_e2e::windows_result;

using runner_names_under_wine = wine_e2e_fixture;

TEST_F(runner_names_under_wine, a_stop_event_that_exists_is_refused_and_the_task_that_made_it_still_stops) {
  // The first task holds its stop event while its transfer stalls; a second task given
  // the same name must not share it.
  const wine_e2e::task_folder second;
  task_options second_options = second.https_task(wine_e2e::update_server_port());
  set_option(second_options, "stop-event", stop_event_name());
  windows_result refused;
  int first_status = 0;
  const auto stop_to_exit = wine_e2e::stop_a_stalled_transfer(
      *this, [&](const task_options& options) { first_status = run_task_directly(options); },
      [&] { refused = second.run_task(second_options); });
  ASSERT_TRUE(stop_to_exit) << "no stall, or ferrowick-event.exe could not set the event";
  EXPECT_EQ(refused.exit_code, 1) << refused.stderr_text;
  EXPECT_EQ(refused.stderr_text, "ferrowick-run: the stop event " + stop_event_name() +
                                     " already exists: another task or program uses that name; give this task one "
                                     "of its own with --stop-event, or leave the option out for a random name\r\n");
  EXPECT_TRUE(test_support::list_names(second.destination()).empty());
  // The code's low byte: wine64 hands a Linux parent no more.
  EXPECT_EQ(first_status, 253);
  EXPECT_LT(*stop_to_exit, 100ms);
  EXPECT_TRUE(test_support::list_names(destination()).empty());
}

// The temporary folder of the prefix's user as a Linux path.
std::filesystem::path wine_temporary_folder() {
  const wine_e2e::wine_programs& programs = wine_e2e::wine_programs::get();
  std::string windows = programs.run("cmd", {"/c", "echo %TEMP%"}).stdout_text;
  windows.erase(windows.find_last_not_of("\r\n") + 1);
  std::string unix_path = programs.run("winepath", {"-u", windows}).stdout_text;
  unix_path.erase(unix_path.find_last_not_of("\r\n") + 1);
  return unix_path;
}

TEST_F(runner_names_under_wine, links_at_the_old_settings_folder_names_are_neither_written_through_nor_followed) {
  const std::filesystem::path elsewhere = root() / "elsewhere";
  std::filesystem::create_directories(elsewhere);
  test_support::write_text(elsewhere / "keep.txt", "kept");
  // Wine 8 makes no junction (mklink /J leaves nothing); a Unix link to a folder is one
  // that wine follows as if it were the folder, as Windows follows a junction. Wine's
  // process ids are multiples of 4, small ones in a prefix that just started.
  const std::filesystem::path temp = wine_temporary_folder();
  ASSERT_TRUE(std::filesystem::is_directory(temp)) << temp;
  std::vector<std::filesystem::path> links;
  for (int id = 4; id <= 65536; id += 4) {
    links.push_back(temp / ("ferrowick-run-" + std::to_string(id) + "-settings"));
    std::filesystem::create_directory_symlink(elsewhere, links.back());
  }
  task_options options = https_task(wine_e2e::update_server_port());
  set_option(options, "log-level", "TRACE");
  const windows_result result = run_task(options);
  for (const auto& link : links) std::filesystem::remove(link);
  expect_placed(result);
  EXPECT_NE(log_text().find(" TRACE "), std::string::npos) << "the run's own settings are read";
  ASSERT_TRUE(std::filesystem::is_directory(elsewhere)) << "the folder a link points to was removed";
  EXPECT_EQ(test_support::list_names(elsewhere), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(test_support::read_text(elsewhere / "keep.txt"), "kept");
  for (const std::string& name : test_support::list_names(temp)) {
    EXPECT_FALSE(name.starts_with("ferrowick-run-")) << name << " is left in " << temp;
  }
}

}  // namespace
