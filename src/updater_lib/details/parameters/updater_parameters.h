#pragma once
// The start-parameter record of one update task.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace updater {

// Public keys are SEC 1 point octets.
using public_key_t = std::vector<uint8_t>;

enum class update_mode : uint8_t { update_mode_client = 0, update_mode_server = 1 };

enum class update_source : uint32_t { https = 0, directory = 1 };

enum class proxy_mode : uint32_t { direct_connection = 0, custom_proxy = 1, system_proxy = 2 };

// Index of the per-files-type arrays below; utility files exist only in server mode.
enum files_type : size_t { main_files = 0, utility_files = 1 };
constexpr size_t files_type_count = 2;

using per_files_type = std::array<std::u16string, files_type_count>;

struct proxy_parameters {
  updater::proxy_mode proxy_mode = updater::proxy_mode::direct_connection;
  std::u16string proxy_address;
  uint16_t proxy_port = 0;
  bool auth_required = false;
  std::u16string proxy_user_name;
  std::u16string proxy_password;
};

struct https_parameters {
  per_files_type host_domain_name;
  uint16_t service_port = 0;
  std::u16string viro_user_name;
  uint32_t block_size = 0;  // bytes
  uint16_t file_download_timeout_sec = 0;
  uint16_t time_between_retries_sec = 0;
  uint16_t max_retry_count = 0;
  proxy_parameters proxy;
};

struct update_source_parameters {
  updater::update_source update_source = updater::update_source::https;
  https_parameters https;
  per_files_type source_directory;
};

struct updater_parameters {
  std::u16string configs_path;
  std::u16string main_config_name;
  std::u16string logs_path;
  update_source_parameters source;
  updater::update_mode update_mode = updater::update_mode::update_mode_client;
  std::u16string destination_directory;
  std::u16string destination_directory_for_utils;  // empty in client mode
  uint32_t version_of_update_compatibility = 0;
  std::u16string previous_updates_release_date;
  std::u16string stop_event_name;
  std::u16string update_task_alias;
  bool copy_info_txt = false;
  public_key_t public_key;
};

// "update_mode_client" / "update_mode_server"; any other value raises 5366.
std::u16string update_mode_text(update_mode mode);
// "direct_connection" / "custom_proxy" / "system_proxy"; any other value raises 5379.
std::u16string proxy_mode_text(proxy_mode mode);

// Raises application_exception for the first broken rule (stop event name, destination
// directories, block size, public key).
void check_parameters(const updater_parameters& parameters);

}  // namespace updater
