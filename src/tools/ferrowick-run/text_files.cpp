#include "text_files.h"

#include <filesystem>
#include <fstream>

#include "common/text.h"
#include "common/winapi/files/file_attributes.h"
#include "run_options.h"

namespace ferrowick_run {

std::filesystem::path file_path(const std::string& utf8) { return std::filesystem::path(common::utf8_to_utf16(utf8)); }

std::string read_first_line(const std::string& option, const std::string& path) {
  std::ifstream file(file_path(path));
  std::string line;
  if (!file || !std::getline(file, line)) throw usage_error(option + " " + path + ": cannot read the file");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string read_password_file(const std::string& path) {
  const std::string option = "--proxy-password-file";
  // A file that cannot be read is named so before who else may read it is asked.
  std::string password = read_first_line(option, path);
  if (winapi::readable_by_others(common::utf8_to_utf16(path))) {
    throw usage_error(option + " " + path +
                      ": others may read the file; a password file must be readable by its owner alone "
                      "(chmod 600, or on Windows an ACL for the owner alone)");
  }
  return password;
}

}  // namespace ferrowick_run
