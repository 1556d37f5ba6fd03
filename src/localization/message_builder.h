#pragma once
// Builds a message with FormatMessageW: the source kind, the languages tried in order,
// insertions passed as strings, a fault inside the call contained per language, and
// the check that no placeholder is left without an insertion.
#include <cstdint>
#include <string>
#include <vector>

#include "localization/message_formatter.h"

namespace localization::details {

enum source_kind : uint32_t {
  from_string = 0x400,
  from_library = 0x800,
  from_system = 0x1000,
  from_library_then_system = 0x1800,
};

// The languages a lookup tries: the requested one (unless 0), the product language
// (unless 0), then en-US (1033), each once.
std::vector<uint16_t> languages_to_try(uint16_t requested, uint16_t product);

// source: the UTF-16 format string (from_string) or the library module. Throws
// std::runtime_error "FormatMessageW failed" when no language yields a text and
// localization_exception "Insertions count mismatch" when a placeholder is left over.
std::u16string build_message(uint32_t kind, const void* source, uint32_t message_id, const arg_as_strings& args);

// The text of a message id from a library kind or the system, trailing white space
// removed. Throws std::invalid_argument "Invalid flag for FormatMessage." for any other
// kind and std::runtime_error "Not found resource library" for a library kind without module.
std::u16string message_text(uint32_t kind, library_handle module, uint32_t message_id, const arg_as_strings& args);

}  // namespace localization::details
