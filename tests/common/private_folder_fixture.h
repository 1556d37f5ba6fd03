#pragma once
// A place other users may write to, and a folder elsewhere that whatever they plant there
// points at: neither the private folder's maker nor its removal may touch it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_directory.h"
#include "support/update_source.h"

class private_folder_test : public ::testing::Test {
 protected:
  private_folder_test() {
    std::filesystem::create_directories(elsewhere());
    test_support::write_text(elsewhere() / "keep.txt", "kept");
  }
  std::filesystem::path place() const { return root_.path(); }
  std::filesystem::path elsewhere() const { return root_.path() / "elsewhere"; }
  void expect_elsewhere_untouched() const {
    EXPECT_EQ(test_support::list_names(elsewhere()), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(test_support::read_text(elsewhere() / "keep.txt"), "kept");
  }

  test_support::temp_directory root_;
};
