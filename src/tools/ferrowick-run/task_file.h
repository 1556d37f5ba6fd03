#pragma once
// Task files of ferrowick-run: one "name = value" per line, the names being the long
// options without "--"; blank lines and lines whose first non-blank character is '#'
// are skipped. A '#' later in a line belongs to the value.
#include <string>
#include <vector>

namespace ferrowick_run {

// One option as given, from the command line (location empty) or a task file.
struct option_entry {
  std::string option;  // "--name"
  std::string value;
  std::string location;  // "FILE:LINE" of a task file entry
};

struct task_file {
  std::vector<option_entry> entries;  // in file order
  std::string end_location;           // "FILE:LINE" of the last line, for what is missing
};

// Raises usage_error, starting with "FILE:LINE: ", for a line that is not
// "name = value" and for a name given twice; and for a file that cannot be read.
task_file read_task_file(const std::string& path);

}  // namespace ferrowick_run
