#include "run_state.h"

#include <stdexcept>

#include "common/fs_utils.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"

namespace ferrowick_run {

void store_release(const std::string& state_file, const std::string& release) {
  const std::u16string state_path = common::utf8_to_utf16(state_file);
  const std::u16string written = common::concat(state_path, u".", winapi::current_process_id());
  const std::string line = release + '\n';
  try {
    // A private file held open from creation until it is renamed over the state file by
    // its handle: the date stored is the one written here, whoever made the name first.
    fs_utils::temp_file_with_handle file = fs_utils::create_private_temp_file(written);
    try {
      if (fs_utils::write_file(file.handle.get(), line.data(), line.size()) != line.size()) {
        throw std::runtime_error("short write");
      }
      fs_utils::place_held_file(file, state_path);
    } catch (...) {
      fs_utils::discard_held_file(file);
      throw;
    }
  } catch (const std::exception& error) {
    throw std::runtime_error("--state " + state_file + ": cannot write " + common::utf16_to_utf8(written) + ": " +
                             error.what());
  }
}

}  // namespace ferrowick_run
