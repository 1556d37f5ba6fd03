#include "updater_lib/details/parameters/start_params_record.h"

#include <string_view>

#include "cpplogger/levels.h"
#include "cpplogger/logger.h"

namespace updater {

namespace {

constexpr std::u16string_view record_prefix = u"Start params: ";
constexpr std::u16string_view secret_keys[] = {u"proxy_password"};

bool is_secret(std::u16string_view key) {
  for (std::u16string_view secret : secret_keys) {
    if (key == secret) return true;
  }
  return false;
}

std::u16string_view shown_value(std::u16string_view key, std::u16string_view value) {
  if (!is_secret(key)) return value;
  return value.empty() ? u"" : u"******";
}

}  // namespace

std::u16string make_start_params_record(const token_list& tokens) {
  std::u16string record(record_prefix);
  for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
    if (i > 0) {
      record += u'\n';
      record.append(record_prefix.size(), u' ');
    }
    record.append(u"- ").append(tokens[i]).append(u": ").append(shown_value(tokens[i], tokens[i + 1]));
  }
  return record;
}

void log_start_params(const token_list& tokens) {
  cpplogger::log(cpplogger::level_trace, make_start_params_record(tokens));
}

}  // namespace updater
