#pragma once
// The Windows build's programs run under wine from a Linux program: one wine prefix of
// their own below the Windows build folder, made once, and paths as they see them.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace wine_e2e {

// "Z:\..." with backslashes: wine's drive for the Linux root.
std::string windows_path(const std::filesystem::path& path);

// What a Windows program returned, as its Windows parent sees it (32 bits, signed).
struct windows_result {
  int32_t exit_code = 0;
  std::string stdout_text;
  std::string stderr_text;
};

class wine_programs {
 public:
  // The prefix is made on first use (wineboot, about 20 s); later runs find it.
  static const wine_programs& get();

  // A program of the Windows build, e.g. "src/tools/ferrowick-run.exe".
  std::filesystem::path program(const std::string& relative_path) const;

  // Added to (or, for nullopt, removed from) the environment of a program.
  using environment = std::map<std::string, std::optional<std::string>>;

  // Runs program under wine64 with the Unix exit status (the code's low byte).
  test_support::child_result run(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                 const environment& variables = {}) const;

  // As run, with standard output and error into files: only the program's own end is
  // waited for, not that of processes that inherited its output (wine keeps an ended
  // process's descriptors open for about 2 s more). Gives the Unix status.
  int run_into_files(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& output_file, const std::filesystem::path& error_file) const;

  // Runs program through cmd.exe, which takes its 32-bit exit code; work_folder holds
  // the batch file and the code it writes. Arguments must not hold '"' or '%'.
  windows_result run_for_exit_code(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                   const std::filesystem::path& work_folder, const environment& variables = {}) const;

  // The current user's proxy ("host:port") in the prefix's registry, where
  // WinHttpGetIEProxyConfigForCurrentUser reads it, or none. Raises std::runtime_error
  // when reg.exe fails.
  void set_user_proxy(const std::optional<std::string>& proxy) const;

 private:
  wine_programs();
  test_support::child_options options(std::vector<std::string> arguments, const environment& variables) const;

  std::filesystem::path build_;
  std::filesystem::path prefix_;
};

}  // namespace wine_e2e
