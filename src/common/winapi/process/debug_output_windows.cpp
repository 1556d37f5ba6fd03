#include <string>

#include "common/winapi/process/debug_output.h"
#include "common/winapi/windows_types.h"

namespace winapi {

void output_debug_string(std::u16string_view text) { ::OutputDebugStringW(details::to_wide(text).c_str()); }

void output_debug_string_a(std::string_view text) { ::OutputDebugStringA(std::string(text).c_str()); }

}  // namespace winapi
