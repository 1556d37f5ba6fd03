#include <algorithm>
#include <string_view>
#include <vector>

#include "common/winapi/language/format_message.h"
#include "common/winapi/windows_types.h"

namespace winapi {
namespace {

// A message names at most 99 insertions.
constexpr size_t max_insertions = 99;

// Stands for the insertions a message names but the caller did not give: Unicode
// noncharacters, which no text handed to a message holds.
constexpr std::wstring_view missing_insertion = L"\xFDD0\xFDEF\xFDD0";

// The call with the system's buffer copied out; 0 with the last error set on failure.
uint32_t call_format_message(uint32_t flags, const void* source, uint32_t message_id, uint32_t language_id,
                             const DWORD_PTR* arguments, std::wstring& text) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, source,
                                        message_id, language_id, reinterpret_cast<wchar_t*>(&buffer), 0,
                                        reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(arguments)));
  if (length == 0) return 0;
  text.assign(buffer, length);
  ::LocalFree(buffer);
  return length;
}

}  // namespace

// Windows reads the argument array without knowing its length. The array passed is
// padded to the 99 insertions a message may name, so the system never reads past it; a
// message that used a padding entry is refused with the fault the read past the
// caller's array would have raised.
uint32_t format_message(uint32_t flags, const void* source, uint32_t message_id, uint32_t language_id,
                        std::u16string* buffer, std::span<const char16_t* const> arguments) {
  if ((flags & format_message_allocate_buffer) == 0 || buffer == nullptr || arguments.size() > max_insertions) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::vector<DWORD_PTR> pointers(max_insertions, reinterpret_cast<DWORD_PTR>(missing_insertion.data()));
  std::ranges::transform(arguments, pointers.begin(),
                         [](const char16_t* argument) { return reinterpret_cast<DWORD_PTR>(argument); });
  std::wstring text;
  const uint32_t length = call_format_message(flags, source, message_id, language_id, pointers.data(), text);
  if (length == 0) return 0;
  if (text.find(missing_insertion) != std::wstring::npos) throw structured_exception{exception_access_violation};
  *buffer = details::from_wide(text);
  return length;
}

}  // namespace winapi
