#include <new>

#include "common/winapi/process/command_line_to_argv.h"
#include "common/winapi/windows_types.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace winapi {

std::vector<std::u16string> command_line_to_argv(std::u16string_view command_line) {
  // The system reads up to the first NUL, as the stand-in does.
  const std::wstring line = details::to_wide(command_line.substr(0, command_line.find(u'\0')));
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(line.c_str(), &count);
  // The system fails only when it runs out of memory.
  if (arguments == nullptr) throw std::bad_alloc();
  std::vector<std::u16string> tokens;
  tokens.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) tokens.push_back(details::from_wide(arguments[i]));
  ::LocalFree(arguments);
  return tokens;
}

}  // namespace winapi
