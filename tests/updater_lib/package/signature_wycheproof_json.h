#pragma once
// A small JSON reader for the Wycheproof vector files: enough of JSON for their
// objects, arrays, strings, numbers and literals.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace signature_test {

struct json_value {
  enum class kind { null, boolean, number, string, array, object };

  kind type = kind::null;
  std::string text;  // a string's content, or a number's or literal's spelling
  std::vector<json_value> items;
  std::vector<std::pair<std::string, json_value>> members;

  // The member of an object; std::out_of_range when it is missing.
  const json_value& operator[](std::string_view key) const;
};

// std::invalid_argument on malformed text.
json_value parse_json(std::string_view text);

}  // namespace signature_test
