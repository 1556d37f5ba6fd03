#include "updater_lib/details/parameters/parameters_deserialization.h"

#include <sstream>

#include "common/base64.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater {

namespace {

[[noreturn]] void throw_cannot_convert(const std::u16string& token) {
  FW_THROW(common::application_exception(common::error_unexpected_parameter), "Can't convert ", token);
}

// The value token after the expected key; the position ends past the value.
const std::u16string& take_value(std::u16string_view key, details::token_iterator& position,
                                 details::token_iterator end) {
  if (position == end)
    FW_THROW(common::application_exception(common::error_not_enough_parameters), "parameter_name = ", key);
  if (*position != key)
    FW_THROW(common::application_exception(common::error_unexpected_parameter), "parameter_name = ", key);
  if (++position == end)
    FW_THROW(common::application_exception(common::error_not_enough_parameters), "parameter_name = ", key);
  return *position++;
}

// Decimal, leading white space allowed, nothing after the number. A minus sign is
// refused: the stream would wrap it into a huge unsigned value.
template <typename Number>
Number convert_number(const std::u16string& token) {
  if (token.find(u'-') != std::u16string::npos) throw_cannot_convert(token);
  std::wistringstream stream(std::wstring(token.begin(), token.end()));
  Number value{};
  stream >> value;
  if (stream.fail() || !stream.eof()) throw_cannot_convert(token);
  return value;
}

template <typename Number>
void deserialize_number(std::u16string_view key, Number& field, details::token_iterator& position,
                        details::token_iterator end) {
  field = convert_number<Number>(take_value(key, position, end));
}

void check_list(const token_list& tokens) {
  if (tokens.empty() || tokens.size() % 2 != 0) {
    FW_THROW(common::application_exception(common::error_invalid_strings), "tokens = ", tokens.size());
  }
}

void read_logging_parameters(logging_parameters& logging, details::token_iterator& position,
                             details::token_iterator end) {
  details::deserialize_item(u"configs_path", logging.configs_path, position, end);
  details::deserialize_item(u"main_config_name", logging.main_config_name, position, end);
  details::deserialize_item(u"logs_path", logging.logs_path, position, end);
}

void read_source(update_source_parameters& source, bool server, details::token_iterator& position,
                 details::token_iterator end) {
  using details::deserialize_item;
  https_parameters& https = source.https;
  deserialize_item(u"update_source", source.update_source, position, end);
  deserialize_item(u"host_domain_name", https.host_domain_name[main_files], position, end);
  if (server) deserialize_item(u"host_domain_name_for_utils", https.host_domain_name[utility_files], position, end);
  deserialize_item(u"service_port", https.service_port, position, end);
  deserialize_item(u"viro_user_name", https.viro_user_name, position, end);
  deserialize_item(u"block_size", https.block_size, position, end);
  deserialize_item(u"file_download_timeout_sec", https.file_download_timeout_sec, position, end);
  deserialize_item(u"time_between_retries_sec", https.time_between_retries_sec, position, end);
  deserialize_item(u"max_retry_count", https.max_retry_count, position, end);
  deserialize_item(u"proxy_mode", https.proxy.proxy_mode, position, end);
  deserialize_item(u"proxy_address", https.proxy.proxy_address, position, end);
  deserialize_item(u"proxy_port", https.proxy.proxy_port, position, end);
  deserialize_item(u"auth_required", https.proxy.auth_required, position, end);
  deserialize_item(u"proxy_user_name", https.proxy.proxy_user_name, position, end);
  deserialize_item(u"proxy_password", https.proxy.proxy_password, position, end);
  deserialize_item(u"source_directory", source.source_directory[main_files], position, end);
  if (server) deserialize_item(u"source_directory_for_utils", source.source_directory[utility_files], position, end);
}

}  // namespace

namespace details {

void deserialize_item(std::u16string_view key, std::u16string& field, token_iterator& position, token_iterator end) {
  field = take_value(key, position, end);
}

void deserialize_item(std::u16string_view key, uint16_t& field, token_iterator& position, token_iterator end) {
  deserialize_number(key, field, position, end);
}

void deserialize_item(std::u16string_view key, uint32_t& field, token_iterator& position, token_iterator end) {
  deserialize_number(key, field, position, end);
}

void deserialize_item(std::u16string_view key, bool& field, token_iterator& position, token_iterator end) {
  deserialize_number(key, field, position, end);
}

void deserialize_item(std::u16string_view key, update_mode& field, token_iterator& position, token_iterator end) {
  const std::u16string& token = take_value(key, position, end);
  if (token == u"update_mode_client") {
    field = update_mode::update_mode_client;
  } else if (token == u"update_mode_server") {
    field = update_mode::update_mode_server;
  } else {
    FW_THROW(common::application_exception(common::error_unexpected_parameter), "Can't convert ", token,
             " to enum class 'update_mode'");
  }
}

void deserialize_item(std::u16string_view key, update_source& field, token_iterator& position, token_iterator end) {
  const std::u16string& token = take_value(key, position, end);
  if (token == u"directory") {
    field = update_source::directory;
  } else if (token == u"https") {
    field = update_source::https;
  } else {
    throw_cannot_convert(token);
  }
}

void deserialize_item(std::u16string_view key, proxy_mode& field, token_iterator& position, token_iterator end) {
  const std::u16string& token = take_value(key, position, end);
  if (token == u"custom_proxy") {
    field = proxy_mode::custom_proxy;
  } else if (token == u"system_proxy") {
    field = proxy_mode::system_proxy;
  } else if (token == u"direct_connection") {
    field = proxy_mode::direct_connection;
  } else {
    throw_cannot_convert(token);
  }
}

void deserialize_item(std::u16string_view key, public_key_t& field, token_iterator& position, token_iterator end) {
  field = base64::base64_decode_wstring(take_value(key, position, end));
}

}  // namespace details

logging_parameters take_logging_parameters(token_list& tokens) {
  FW_LOG_SCOPE();
  check_list(tokens);
  logging_parameters logging;
  details::token_iterator position = tokens.cbegin();
  read_logging_parameters(logging, position, tokens.cend());
  tokens.erase(tokens.cbegin(), position);
  return logging;
}

updater_parameters deserialize_parameters(const token_list& tokens, const std::optional<logging_parameters>& logging) {
  FW_LOG_SCOPE();
  using details::deserialize_item;
  check_list(tokens);
  details::token_iterator position = tokens.cbegin();
  const details::token_iterator end = tokens.cend();

  logging_parameters triple;
  if (logging) {
    triple = *logging;
  } else {
    read_logging_parameters(triple, position, end);
  }
  updater_parameters parameters;
  parameters.configs_path = triple.configs_path;
  parameters.main_config_name = triple.main_config_name;
  parameters.logs_path = triple.logs_path;

  deserialize_item(u"update_mode", parameters.update_mode, position, end);
  const bool server = parameters.update_mode == update_mode::update_mode_server;
  read_source(parameters.source, server, position, end);
  deserialize_item(u"destination_directory", parameters.destination_directory, position, end);
  if (server) {
    deserialize_item(u"destination_directory_for_utils", parameters.destination_directory_for_utils, position, end);
  }
  deserialize_item(u"version_of_update_compatibility", parameters.version_of_update_compatibility, position, end);
  deserialize_item(u"previous_updates_release_date", parameters.previous_updates_release_date, position, end);
  deserialize_item(u"stop_event_name", parameters.stop_event_name, position, end);
  deserialize_item(u"update_task_alias", parameters.update_task_alias, position, end);
  deserialize_item(u"copy_info_txt", parameters.copy_info_txt, position, end);
  deserialize_item(u"public_key_txt", parameters.public_key, position, end);
  if (position != end) {
    FW_THROW(common::application_exception(common::error_invalid_strings),
             "unexpected tokens after public_key_txt: ", static_cast<uint64_t>(end - position));
  }
  return parameters;
}

}  // namespace updater
