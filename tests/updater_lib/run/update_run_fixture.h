#pragma once
// A directory source, destination directories, a stop event and a parameter record
// for running the update in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/handle_holder.h"
#include "support/temp_directory.h"
#include "support/update_source.h"
#include "updater_lib/details/parameters/updater_parameters.h"
#include "updater_lib/details/run/update_run.h"

namespace test_support {

class update_run_fixture : public ::testing::Test {
 protected:
  update_run_fixture();
  ~update_run_fixture() override;

  std::filesystem::path source() const { return root_.path() / "source"; }
  std::filesystem::path utils_source() const { return root_.path() / "utils source"; }
  std::filesystem::path destination() const { return root_.path() / "destination"; }
  std::filesystem::path utils_destination() const { return root_.path() / "utils destination"; }

  // info2.txt naming product, date and package (and the utility package when given).
  void write_info2(const std::string& product, const std::string& date, const std::string& package,
                   const std::string& utility = {});
  // A signed package named name in the source holding one file.
  void write_source_package(const std::string& name, const std::string& content = "bases v2");
  void switch_to_server_mode();
  void set_stop_event();

  updater::update_result run() const;

  const demo_keys keys_;
  updater::updater_parameters parameters_;

 private:
  temp_directory root_;
  std::u16string stop_event_name_;
  common::handle_holder stop_event_;
};

}  // namespace test_support
