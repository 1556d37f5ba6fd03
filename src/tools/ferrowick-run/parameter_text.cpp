#include "parameter_text.h"

#include "updater_lib/details/parameters/parameters_text_writer.h"

namespace ferrowick_run {

std::vector<uint8_t> parameter_text_bytes(const std::vector<key_value>& parameters) {
  updater::token_list tokens;
  for (const auto& [key, value] : parameters) {
    tokens.push_back(key);
    tokens.push_back(value);
  }
  return updater::to_utf16le_bytes(updater::join_parameter_tokens(tokens));
}

}  // namespace ferrowick_run
