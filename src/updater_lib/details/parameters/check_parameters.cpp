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
}

}  // namespace updater
