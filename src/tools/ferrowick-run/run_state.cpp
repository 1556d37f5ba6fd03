#include "run_state.h"

#include <fstream>
#include <stdexcept>

#include "common/fs_utils.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "text_files.h"

namespace ferrowick_run {

void store_release(const std::string& state_file, const std::string& release) {
  const std::string written = common::utf16_to_utf8(common::concat(state_file, ".", winapi::current_process_id()));
  {
    std::ofstream file(file_path(written), std::ios::binary | std::ios::trunc);
    if (!(file << release << '\n' << std::flush))
      throw std::runtime_error("--state " + state_file + ": cannot write " + written);
  }
  // A rename on one file system, flushed first: the old state stays until the new one is whole.
  fs_utils::copy_file(common::utf8_to_utf16(written), common::utf8_to_utf16(state_file), true);
}

}  // namespace ferrowick_run
