#include "common/program_arguments.h"
#include "common/text.h"
#include "common/winapi/process/command_line_to_argv.h"
#include "common/winapi/windows_types.h"

namespace common {

std::vector<std::string> program_arguments(int, char**) {
  const std::vector<std::u16string> tokens =
      winapi::command_line_to_argv(winapi::details::from_wide(::GetCommandLineW()));
  std::vector<std::string> arguments;
  for (size_t i = 1; i < tokens.size(); ++i) arguments.push_back(utf16_to_utf8(tokens[i]));
  return arguments;
}

}  // namespace common
