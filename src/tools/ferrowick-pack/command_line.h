#pragma once
// The tool's arguments: a command, positional arguments and repeatable options.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pack_tool {

// A wrong command line; reported with the usage text.
class usage_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct command_line {
  bool help = false;  // --help or -h anywhere an option may stand
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> options;  // "--key" -> values in order

  // The values of option; raises usage_error unless there are exactly count.
  const std::vector<std::string>& option_values(const std::string& option, size_t count) const;
  // The value of an option that may be left out; raises usage_error when it is repeated.
  std::optional<std::string> optional_value(const std::string& option) const;
};

// The first argument is the command; options take the next argument as their value;
// --help and -h set help. Raises usage_error for a missing command, an option without
// value, or an option not in known_options.
command_line parse_command_line(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& known_options);

}  // namespace pack_tool
