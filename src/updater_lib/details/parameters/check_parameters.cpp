#include <algorithm>

#include "common/fs_utils.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

namespace {

constexpr uint32_t max_block_size = 0x10000000;

void check_destination_directory(const std::u16string& directory) {
  if (!fs_utils::directory_exists(directory)) {
    FW_THROW(common::application_exception(common::error_no_destination_directory), "Directory name = ", directory);
  }
}

// Values that go into requests (the cookie, host names) must not carry control
// characters: a CR LF there would add headers of the caller's choosing.
void check_request_value(const char16_t* key, const std::u16string& value) {
  const bool has_control = std::any_of(value.begin(), value.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
  if (has_control) {
    FW_THROW(common::application_exception(common::error_unexpected_parameter), "parameter_name = ", key,
             "; the value holds a control character");
  }
}

void check_request_values(const https_parameters& https) {
  check_request_value(u"host_domain_name", https.host_domain_name[main_files]);
  check_request_value(u"host_domain_name_for_utils", https.host_domain_name[utility_files]);
  check_request_value(u"viro_user_name", https.viro_user_name);
  check_request_value(u"proxy_address", https.proxy.proxy_address);
}

}  // namespace

void check_parameters(const updater_parameters& parameters) {
  FW_LOG_SCOPE();
  if (parameters.stop_event_name.empty()) {
    FW_THROW(common::application_exception(common::error_invalid_stop_event_name), "Stop event name is empty");
  }
  check_destination_directory(parameters.destination_directory);
  if (parameters.update_mode == update_mode::update_mode_server) {
    check_destination_directory(parameters.destination_directory_for_utils);
  }
  if (parameters.source.https.block_size > max_block_size) {
    FW_THROW(common::application_exception(common::error_buffer_too_big),
             "block size = ", parameters.source.https.block_size);
  }
  if (parameters.public_key.empty()) {
    FW_THROW(common::application_exception(common::error_invalid_public_key), "Public key is empty");
  }
  check_request_values(parameters.source.https);
}

}  // namespace updater
