#pragma once
// Filling the start-parameter record from the token list. Keys come in a fixed order,
// each followed by its value; the server-only keys appear only in server mode.
#include <optional>
#include <string>
#include <string_view>

#include "updater_lib/details/parameters/parameters_text.h"
#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

// The three tokens pairs that come first; logging starts with them before the rest is
// read.
struct logging_parameters {
  std::u16string configs_path;
  std::u16string main_config_name;
  std::u16string logs_path;
};

// Reads the logging triple and removes its six tokens from the front of the list.
// Raises 5380 for an empty or odd list.
logging_parameters take_logging_parameters(token_list& tokens);

// The record from the tokens that follow the logging triple (or from the whole list
// when no triple is given). Raises 5380 for an empty or odd list and for tokens left
// over, 5381 when a key or value is missing, 5382 for an unexpected key or a value
// that does not convert.
updater_parameters deserialize_parameters(const token_list& tokens, const std::optional<logging_parameters>& logging);

namespace details {

using token_iterator = token_list::const_iterator;

// Each checks the key at position, converts the value after it and advances by two.
void deserialize_item(std::u16string_view key, std::u16string& field, token_iterator& position, token_iterator end);
void deserialize_item(std::u16string_view key, uint16_t& field, token_iterator& position, token_iterator end);
void deserialize_item(std::u16string_view key, uint32_t& field, token_iterator& position, token_iterator end);
void deserialize_item(std::u16string_view key, bool& field, token_iterator& position, token_iterator end);
void deserialize_item(std::u16string_view key, update_mode& field, token_iterator& position, token_iterator end);
void deserialize_item(std::u16string_view key, update_source& field, token_iterator& position, token_iterator end);
void deserialize_item(std::u16string_view key, proxy_mode& field, token_iterator& position, token_iterator end);
// The value is Base64 text; the field gets the decoded bytes.
void deserialize_item(std::u16string_view key, public_key_t& field, token_iterator& position, token_iterator end);

}  // namespace details

}  // namespace updater
