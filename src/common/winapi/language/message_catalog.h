#pragma once
// The message tables of a localization library: texts by locale name and message id,
// read from a GNU gettext catalog (.mo) in which every message carries its locale name
// as context and its id as "0x" + eight hexadecimal digits (docs/platform.md).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace winapi {

class message_catalog {
 public:
  // The catalog in bytes, or nullopt when any part of it is damaged or not of the
  // layout above: a library is taken whole or not at all.
  static std::optional<message_catalog> parse(std::string_view bytes);

  // The text of the message in that locale, or null.
  const std::u16string* find(std::u16string_view locale_name, uint32_t message_id) const;
  bool has_locale(std::u16string_view locale_name) const;

 private:
  std::map<std::u16string, std::map<uint32_t, std::u16string>, std::less<>> texts_;
};

// What a data module handle (library_as_data.h) points at on Linux.
struct data_module {
  message_catalog catalog;
};

}  // namespace winapi
