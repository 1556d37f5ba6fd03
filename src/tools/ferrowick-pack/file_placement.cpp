#include "file_placement.h"

#include <exception>
#include <iostream>

#include "common/handle_holder.h"
#include "common/path_helpers.h"
#include "common/text.h"
#include "common/winapi/files/file_api.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"
#include "updater_lib/details/package/package_file_io.h"

namespace pack_tool {

namespace {

// A rename replaces even a read-only file; a publisher who protected the file meant it
// to stay.
void check_replaceable(const std::u16string& destination) {
  if (!fs_utils::file_exists(destination)) return;
  const common::handle_holder file(
      winapi::create_file(destination, winapi::generic_write, winapi::creation_disposition::open_existing));
  if (!file) FW_THROW(win32::exception("CreateFile"), "file name = ", destination);
}

// Failing to remove it is reported beside the error that ended the run, never in its
// place.
void remove_temporary(const std::u16string& path) {
  try {
    if (fs_utils::file_exists(path)) fs_utils::delete_file(path);
  } catch (const std::exception& error) {
    std::cerr << "ferrowick-pack: could not remove the temporary " << common::utf16_to_utf8(path) << ": "
              << error.what() << '\n';
  }
}

}  // namespace

void place_new_file(const std::u16string& destination,
                    const std::function<void(fs_utils::temp_file_with_handle&)>& write) {
  check_replaceable(destination);
  const auto [drive, directory, name, extension] = path_helpers::split_path(destination);
  fs_utils::temp_file_with_handle temporary = fs_utils::create_unique_temp_file_with_handle(
      directory.empty() ? u"." : drive + directory, (u"." + name + extension + u".").c_str());
  try {
    write(temporary);
    temporary.handle.close();
    fs_utils::copy_file(temporary.path, destination, true);
  } catch (...) {
    temporary.handle.close();
    remove_temporary(temporary.path);
    throw;
  }
}

void place_new_file(const std::u16string& destination, const std::vector<uint8_t>& content) {
  place_new_file(destination, [&](fs_utils::temp_file_with_handle& temporary) {
    updater::write_buffer_to_file(temporary.handle.get(), content);
  });
}

}  // namespace pack_tool
