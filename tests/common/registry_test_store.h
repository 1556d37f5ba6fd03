#pragma once
// A private registry store for one test: FERROWICK_REGISTRY_ROOT points into a fresh
// temporary directory while the object lives; key files can be written by hand.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/environment_variable.h"
#include "support/temp_directory.h"

namespace test_support {

class registry_test_store {
 public:
  std::filesystem::path root() const { return directory_.path() / "registry"; }

  // Folder of a key given as lower-case folder names below the hive, "software/a".
  std::filesystem::path key_folder(const std::string& folders) const { return root() / "hklm" / folders; }

  // Writes the values file of a key (folders as in key_folder) with exactly these bytes.
  void write_values_file(const std::string& folders, const std::string& bytes) const {
    std::filesystem::create_directories(key_folder(folders));
    std::ofstream(key_folder(folders) / ".values.reg", std::ios::binary) << bytes;
  }

  std::string read_values_file(const std::string& folders) const {
    std::ifstream file(key_folder(folders) / ".values.reg", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  std::vector<std::string> entries(const std::string& folders) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(key_folder(folders))) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

 private:
  temp_directory directory_;
  environment_variable root_variable_{"FERROWICK_REGISTRY_ROOT", root().string()};
};

}  // namespace test_support
