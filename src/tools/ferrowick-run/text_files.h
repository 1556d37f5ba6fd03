#pragma once
// The first lines of the small text files the runner reads: a state file, a password file.
#include <filesystem>
#include <string>

namespace ferrowick_run {

// A file path from the UTF-8 text the runner works in. It goes through UTF-16 because a
// narrow path is read in the ANSI code page on Windows, which lacks most names.
std::filesystem::path file_path(const std::string& utf8);

// The first line of a file, without its line end; raises usage_error naming option and
// path when there is none.
std::string read_first_line(const std::string& option, const std::string& path);

// The proxy password: the first line of a file that only its owner may read. A file others
// may read (the group or others on Linux, another account by the file's ACL on Windows)
// gives the password away and raises usage_error.
std::string read_password_file(const std::string& path);

}  // namespace ferrowick_run
