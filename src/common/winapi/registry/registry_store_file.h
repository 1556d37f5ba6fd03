#pragma once
// The text form of one registry key's values (the file ".values.reg" in the key's
// folder), UTF-8, one line each, every line ending with LF:
//
//   ferrowick registry key 1
//   "InstallDir"="/opt/kestrane/server/"
//   "Retries"=dword:0000002a
//   "Stamp"=hex:00,7a,21,65,00,00,00,00
//   end
//
// Names and strings are quoted; inside the quotes \\ is a backslash, \" a quote and
// \uXXXX (four hexadecimal digits) any UTF-16 unit; control characters must be written
// as \u escapes. A string is a REG_SZ value without its terminating NUL; dword: takes
// exactly eight hexadecimal digits; hex: takes comma-separated byte pairs (none for an
// empty value). Value names are unique without regard to ASCII case. Anything else -
// an unknown type, a missing "end" line (a cut file), text after it, a file over
// max_values_file_size bytes - makes the whole file unreadable; no value of it is used.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winapi::registry_store_file {

constexpr std::size_t max_values_file_size = 1024 * 1024;

struct value {
  std::u16string name;
  uint32_t type = 0;          // reg_sz, reg_dword or reg_binary
  std::vector<uint8_t> data;  // as RegQueryValueExW gives it: REG_SZ with its NUL unit
};

// The values, or nothing when the text is not a well-formed values file.
std::optional<std::vector<value>> parse(std::string_view text);

std::string format(const std::vector<value>& values);

bool same_name(std::u16string_view left, std::u16string_view right);

}  // namespace winapi::registry_store_file
