#pragma once
// Parameter texts as the service writes them into the worker's standard input:
// key/value tokens in their fixed order, UTF-16LE without a byte-order mark.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

using parameter_pairs = std::vector<std::pair<std::u16string, std::u16string>>;

struct parameter_paths {
  std::filesystem::path configs;
  std::filesystem::path logs;
  std::filesystem::path destination;
  std::filesystem::path source;
  std::filesystem::path destination_for_utils;  // server mode only
  std::filesystem::path source_for_utils;       // server mode only
};

// A complete, valid set of pairs (26 in client mode, 29 in server mode) for an update
// from a source directory; the key is "AQID" (the bytes 1 2 3).
parameter_pairs client_parameters(const parameter_paths& paths);
parameter_pairs server_parameters(const parameter_paths& paths);

// Replaces the value of key; the key must be present.
void set_value(parameter_pairs& pairs, std::u16string_view key, std::u16string value);
// Removes the pair of key; the key must be present.
void remove_pair(parameter_pairs& pairs, std::u16string_view key);

// Tokens separated by single blanks, quoted where the splitter needs it.
std::u16string join_tokens(const std::vector<std::u16string>& tokens);
std::u16string to_text(const parameter_pairs& pairs);

// UTF-16LE bytes of the text, without a terminator.
std::string to_utf16le(const std::u16string& text);

// The configuration of the logger that writes the developer log at TRACE level.
void write_logger_settings(const std::filesystem::path& configs_directory, const std::string& file_name);

}  // namespace test_support
