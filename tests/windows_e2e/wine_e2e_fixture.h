#pragma once
// ferrowick-run.exe starting ferrowick.exe under wine as the service would, against
// loopback servers on Linux: nginx as the update server, tinyproxy, relays for faults.
// The wine prefix and the update server are shared by every case of the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/update_source.h"
#include "wine_task.h"

class wine_e2e_fixture : public testing::Test, public wine_e2e::task_folder {
 protected:
  using task_options = wine_e2e::task_options;

  // Exit 0, the four result lines naming the placed package, and the package in folder
  // byte for byte as the server has it, alone.
  void expect_placed(const wine_e2e::windows_result& result, const std::filesystem::path& folder) const {
    EXPECT_EQ(result.exit_code, 0) << result.stderr_text;
    EXPECT_EQ(result.stdout_text, std::string(wine_e2e::release) + "\r\n" +
                                      wine_e2e::windows_path(folder / wine_e2e::package) + "\r\n\r\n17\r\n");
    EXPECT_TRUE(test_support::read_text(folder / wine_e2e::package) ==
                test_support::read_text(wine_e2e::update_folder() / wine_e2e::package));
    EXPECT_EQ(test_support::list_names(folder), std::vector<std::string>{wine_e2e::package});
  }
  void expect_placed(const wine_e2e::windows_result& result) const { expect_placed(result, destination()); }
};
