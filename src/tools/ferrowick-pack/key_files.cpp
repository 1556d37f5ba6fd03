#include "key_files.h"

#include "common/fs_utils.h"
#include "common/handle_holder.h"
#include "common/text.h"
#include "common/winapi/files/file_api.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"
#include "updater_lib/details/package/package_file_io.h"

namespace pack_tool {

void write_new_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::u16string wide_path = common::utf8_to_utf16(path);
  const common::handle_holder file(
      winapi::create_file(wide_path, winapi::generic_write, winapi::creation_disposition::create_new));
  if (!file) FW_THROW(win32::exception("CreateFile"), "file name = ", wide_path);
  updater::write_buffer_to_file(file.get(), bytes);
}

std::vector<std::vector<uint8_t>> read_key_files(const std::vector<std::string>& paths) {
  std::vector<std::vector<uint8_t>> keys;
  for (const auto& path : paths) keys.push_back(fs_utils::read_file(common::utf8_to_utf16(path)));
  return keys;
}

}  // namespace pack_tool
