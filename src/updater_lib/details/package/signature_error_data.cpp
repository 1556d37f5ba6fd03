#include "updater_lib/details/package/signature_error_data.h"

#include <exception>

#include "common/fs_utils.h"
#include "common/u16_stream.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"

namespace openssl {

namespace {

bool write_all(winapi::handle_t handle, const std::vector<uint8_t>& bytes) {
  return fs_utils::write_file(handle, bytes.data(), bytes.size()) == bytes.size();
}

}  // namespace

void write_signature_error_data(const std::vector<uint8_t>& digest, const std::vector<uint8_t>& signature_der) {
  FW_LOG_SCOPE();
  try {
    auto file = fs_utils::create_unique_temp_file_with_handle(fs_utils::get_temp_path(), signature_error_data_prefix);
    const winapi::handle_t handle = file.handle.get();
    if (!write_all(handle, digest) || !write_all(handle, {'\r', '\n', '\r', '\n'}) ||
        !write_all(handle, signature_der)) {
      FW_LOG(cpplogger::level_warn) << u"Short write of the signature error data to the file: " << file.path;
      return;
    }
    FW_LOG(cpplogger::level_debug) << u"Verify error info contains in the file: " << file.path;
  } catch (const std::exception& error) {
    FW_LOG(cpplogger::level_warn) << u"Failed to write the signature error data: " << error.what();
  }
}

}  // namespace openssl
