#include "support/parameter_text.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "updater_lib/details/parameters/parameters_text_writer.h"

namespace test_support {

namespace {

std::u16string wide(const std::filesystem::path& path) { return path.u16string(); }

parameter_pairs::iterator find_key(parameter_pairs& pairs, std::u16string_view key) {
  const auto found = std::find_if(pairs.begin(), pairs.end(), [&](const auto& pair) { return pair.first == key; });
  if (found == pairs.end()) throw std::invalid_argument("no such parameter key");
  return found;
}

parameter_pairs common_parameters(const parameter_paths& paths, bool server) {
  parameter_pairs pairs{
      {u"configs_path", wide(paths.configs)}, {u"main_config_name", u"logger settings.xml"},
      {u"logs_path", wide(paths.logs)},       {u"update_mode", server ? u"update_mode_server" : u"update_mode_client"},
      {u"update_source", u"directory"},       {u"host_domain_name", u"updates.example.com"},
  };
  if (server) pairs.emplace_back(u"host_domain_name_for_utils", u"utils.example.com");
  const parameter_pairs middle{
      {u"service_port", u"443"},
      {u"viro_user_name", u"user"},
      {u"block_size", u"65536"},
      {u"file_download_timeout_sec", u"60"},
      {u"time_between_retries_sec", u"1"},
      {u"max_retry_count", u"3"},
      {u"proxy_mode", u"direct_connection"},
      {u"proxy_address", u""},
      {u"proxy_port", u"0"},
      {u"auth_required", u"0"},
      {u"proxy_user_name", u""},
      {u"proxy_password", u"secret password"},
      {u"source_directory", wide(paths.source)},
  };
  pairs.insert(pairs.end(), middle.begin(), middle.end());
  if (server) pairs.emplace_back(u"source_directory_for_utils", wide(paths.source_for_utils));
  pairs.emplace_back(u"destination_directory", wide(paths.destination));
  if (server) pairs.emplace_back(u"destination_directory_for_utils", wide(paths.destination_for_utils));
  const parameter_pairs tail{
      {u"version_of_update_compatibility", u"7"},
      {u"previous_updates_release_date", u"2024-01-01 00:00:00"},
      {u"stop_event_name", u"ferrowick-test-stop"},
      {u"update_task_alias", u"task alias"},
      {u"copy_info_txt", u"1"},
      {u"public_key_txt", u"AQID"},
  };
  pairs.insert(pairs.end(), tail.begin(), tail.end());
  return pairs;
}

}  // namespace

parameter_pairs client_parameters(const parameter_paths& paths) { return common_parameters(paths, false); }

parameter_pairs server_parameters(const parameter_paths& paths) { return common_parameters(paths, true); }

void set_value(parameter_pairs& pairs, std::u16string_view key, std::u16string value) {
  find_key(pairs, key)->second = std::move(value);
}

void remove_pair(parameter_pairs& pairs, std::u16string_view key) { pairs.erase(find_key(pairs, key)); }

std::u16string join_tokens(const std::vector<std::u16string>& tokens) { return updater::join_parameter_tokens(tokens); }

std::u16string to_text(const parameter_pairs& pairs) {
  std::vector<std::u16string> tokens;
  for (const auto& [key, value] : pairs) {
    tokens.push_back(key);
    tokens.push_back(value);
  }
  return join_tokens(tokens);
}

std::string to_utf16le(const std::u16string& text) {
  const std::vector<uint8_t> bytes = updater::to_utf16le_bytes(text);
  return std::string(bytes.begin(), bytes.end());
}

void write_logger_settings(const std::filesystem::path& configs_directory, const std::string& file_name) {
  std::ofstream file(configs_directory / file_name, std::ios::binary);
  file << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
          "<log_settings>\n"
          "  <developer_log use_developer_log=\"true\" level=\"TRACE\" max_backup_index=\"4\""
          " max_file_size=\"1048576\"/>\n"
          "  <history_log max_buffer_size=\"1048576\"/>\n"
          "</log_settings>\n";
  if (!file) throw std::runtime_error("cannot write the logger settings");
}

}  // namespace test_support
