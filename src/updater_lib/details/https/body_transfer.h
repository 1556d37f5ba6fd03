#pragma once
// Copying a response body into the local file in blocks, watching the overall deadline
// and the cancellation token between blocks.
#include <chrono>
#include <cstdint>
#include <istream>
#include <string>

#include "common/handle_holder.h"
#include "updater_lib/details/run/cancellation_token.h"

namespace updater::details {

// Start and end as 100-ns ticks of the system clock since 1970-01-01 UTC.
class download_deadline {
 public:
  explicit download_deadline(std::chrono::seconds duration);
  bool expired() const;
  // Time left until the end; 0 once it has passed.
  std::chrono::milliseconds remaining() const;

 private:
  int64_t start_;
  int64_t end_;
};

// A new, empty private file (fs_utils::create_private_temp_file) held for reading and
// writing: an existing file of the name is deleted first. Failures raise the Windows
// error of CreateFileW.
common::handle_holder create_file_handle(const std::u16string& path);

// Copies the body in blocks of buffer_size bytes, adding each block to downloaded_total.
// Returns true when the file is complete and the token was not cancelled: with a known
// content length when that many bytes came; otherwise when the stream ended cleanly (a
// connection that broke off, or a chunked body cut short, is not complete). Raises 5235
// for buffer_size 0, 5371 for a stream already failed, 5376 for an empty read before the
// end, 5375 when the deadline has passed, and the Windows error of a failed write.
bool save_stream_to_file(std::istream& stream, winapi::handle_t file, const cancellation_token& token,
                         const download_deadline& deadline, uint32_t buffer_size, uint64_t content_length,
                         uint64_t& downloaded_total);

}  // namespace updater::details
