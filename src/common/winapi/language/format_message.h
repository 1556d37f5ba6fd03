#pragma once
// Stand-in for FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER over three sources: a
// format string, a library loaded as data (library_as_data.h) and the system message
// table, which here is the English Windows message table of error_lib. Formatting
// follows the Windows rules: %1..%99 insert strings (a "!fmt!" spec is skipped), %n is
// CR LF, %t a tab, %r a CR, %0 ends the text, %% %. %! and "% " stand for themselves.
// On Windows it is the system's call: the system table is the system's own in its
// languages, language 0 follows the system's search order and a null module means the
// program's own image.
#include <cstdint>
#include <span>
#include <string>

namespace winapi {

constexpr uint32_t format_message_allocate_buffer = 0x100;
constexpr uint32_t format_message_ignore_inserts = 0x200;
constexpr uint32_t format_message_from_string = 0x400;
constexpr uint32_t format_message_from_hmodule = 0x800;
constexpr uint32_t format_message_from_system = 0x1000;
constexpr uint32_t format_message_argument_array = 0x2000;

// LANG_NEUTRAL: the caller leaves the language to the system, which is en-US here.
constexpr uint32_t lang_neutral = 0;

// What Windows raises as a structured exception inside a call. On purpose no
// std::exception: only a guard that expects it (localization/seh_guard.h) catches it.
struct structured_exception {
  uint32_t code;
};
constexpr uint32_t exception_access_violation = 0xC0000005;

// The formatted text in *buffer and its length; 0 with the last error set on failure:
// 87 for flags that name no source or a string together with another source, 317
// (ERROR_MR_MID_NOT_FOUND) when the source has no such message, 1815
// (ERROR_RESOURCE_LANG_NOT_FOUND) when it has no texts in that language.
// source: the NUL-terminated format string, or the data module (from_hmodule); with
// from_hmodule and from_system together the module is searched first.
// language_id: a LANGID; ignored for strings; the system table holds en-US only.
// Windows takes the argument array without its length and faults when a message
// reads past it; here the span gives the length and such a read raises
// structured_exception{exception_access_violation}. With ignore_inserts numbered
// placeholders are copied unchanged.
uint32_t format_message(uint32_t flags, const void* source, uint32_t message_id, uint32_t language_id,
                        std::u16string* buffer, std::span<const char16_t* const> arguments);

}  // namespace winapi
