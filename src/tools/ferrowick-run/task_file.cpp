#include "task_file.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "run_options.h"
#include "text_files.h"

namespace ferrowick_run {

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool is_name(const std::string& text) {
  return !text.empty() && text.front() != '-' &&
         text.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") == std::string::npos;
}

}  // namespace

task_file read_task_file(const std::string& path) {
  std::ifstream file(file_path(path));
  if (!file) throw usage_error("--task " + path + ": cannot read the file");
  task_file result;
  std::map<std::string, int> first_lines;
  std::string line;
  int number = 0;
  while (std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string content = trimmed(line);
    if (content.empty() || content.front() == '#') continue;
    const std::string location = path + ":" + std::to_string(number);
    const size_t equals = content.find('=');
    const std::string name = trimmed(content.substr(0, equals));
    if (equals == std::string::npos || !is_name(name)) {
      throw usage_error(location + ": expected 'name = value' (a long option without --), not '" + content + "'");
    }
    if (const auto [first, added] = first_lines.emplace(name, number); !added) {
      throw usage_error(location + ": " + name + " is given again (first on line " + std::to_string(first->second) +
                        ")");
    }
    result.entries.push_back({"--" + name, trimmed(content.substr(equals + 1)), location});
  }
  if (file.bad()) throw usage_error("--task " + path + ": cannot read the file");
  result.end_location = path + ":" + std::to_string(std::max(number, 1));
  return result;
}

}  // namespace ferrowick_run
