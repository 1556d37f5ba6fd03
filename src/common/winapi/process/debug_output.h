#pragma once
// Stand-in for OutputDebugStringW/A. Silent unless FERROWICK_DEBUG_OUTPUT is set:
// "stderr" sends the text to standard error, any other value names a file to append to.
#include <string_view>

namespace winapi {

void output_debug_string(std::u16string_view text);
void output_debug_string_a(std::string_view text);

}  // namespace winapi
