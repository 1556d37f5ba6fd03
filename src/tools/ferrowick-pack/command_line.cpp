#include "command_line.h"

#include <algorithm>

namespace pack_tool {

const std::vector<std::string>& command_line::option_values(const std::string& option, size_t count) const {
  static const std::vector<std::string> none;
  const auto found = options.find(option);
  const auto& values = found == options.end() ? none : found->second;
  if (values.size() != count) {
    throw usage_error(option + " must be given " + std::to_string(count) + " times, not " +
                      std::to_string(values.size()));
  }
  return values;
}

std::optional<std::string> command_line::optional_value(const std::string& option) const {
  const auto found = options.find(option);
  if (found == options.end()) return std::nullopt;
  if (found->second.size() != 1)
    throw usage_error(option + " may be given once, not " + std::to_string(found->second.size()) + " times");
  return found->second.front();
}

command_line parse_command_line(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& known_options) {
  if (arguments.empty()) throw usage_error("no command");
  command_line result;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      result.help = true;
    } else if (i == 0) {
      result.command = argument;
    } else if (argument.starts_with("--")) {
      if (std::find(known_options.begin(), known_options.end(), argument) == known_options.end()) {
        throw usage_error("unknown option " + argument);
      }
      if (i + 1 == arguments.size()) throw usage_error(argument + " needs a value");
      result.options[argument].push_back(arguments[++i]);
    } else {
      result.positional.push_back(argument);
    }
  }
  return result;
}

}  // namespace pack_tool
