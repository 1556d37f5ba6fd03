#pragma once
// The worker's logger settings as the runner sees them: a settings file for one run that
// turns the developer log on, and a warning when the file a run names will not be used.
#include <filesystem>
#include <string>

namespace ferrowick_run {

// A new folder, open to this user alone, under the temporary directory, holding file_name
// with the developer log on at level; removed again with the object, links in it as links.
// Raises std::runtime_error when the folder or the file cannot be made.
class one_run_settings {
 public:
  one_run_settings(const std::string& level, const std::filesystem::path& file_name);
  ~one_run_settings();
  one_run_settings(const one_run_settings&) = delete;
  one_run_settings& operator=(const one_run_settings&) = delete;

  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// One line for a settings file the worker will not read (missing, unreadable, incomplete)
// and why; empty when the worker takes its settings.
std::string unused_settings_warning(const std::filesystem::path& file);

}  // namespace ferrowick_run
