#include "updater_lib/details/https/body_transfer.h"

#include <Poco/Exception.h>

#include <algorithm>
#include <vector>

#include "common/fs_utils.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace updater::details {

namespace {

constexpr int64_t ticks_per_second = 10'000'000;

int64_t now_ticks() {
  return std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, ticks_per_second>>>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

const char* bool_text(bool value) { return value ? "true" : "false"; }

// The stream keeps what its buffer raised to itself; a network failure, a time-out above
// all, is raised as it is so that the error list names it. Any other failure leaves the
// stream bad, as before.
void read_block(std::istream& stream, char* data, std::streamsize count) {
  try {
    stream.exceptions(std::ios::badbit);
    stream.read(data, count);
  } catch (const Poco::Exception&) {
    stream.exceptions(std::ios::goodbit);
    throw;
  } catch (...) {
  }
  stream.exceptions(std::ios::goodbit);
}

}  // namespace

download_deadline::download_deadline(std::chrono::seconds duration)
    : start_(now_ticks()), end_(start_ + static_cast<int64_t>(duration.count()) * ticks_per_second) {}

bool download_deadline::expired() const { return now_ticks() > end_; }

std::chrono::milliseconds download_deadline::remaining() const {
  constexpr int64_t ticks_per_millisecond = ticks_per_second / 1000;
  // Rounded up: a watcher that waits this long finds the deadline passed when it wakes.
  return std::chrono::milliseconds((std::max<int64_t>(end_ - now_ticks(), 0) + ticks_per_millisecond - 1) /
                                   ticks_per_millisecond);
}

common::handle_holder create_file_handle(const std::u16string& path) {
  FW_LOG_SCOPE();
  return fs_utils::create_private_temp_file(path).handle;
}

bool save_stream_to_file(std::istream& stream, winapi::handle_t file, const cancellation_token& token,
                         const download_deadline& deadline, uint32_t buffer_size, uint64_t content_length,
                         uint64_t& downloaded_total) {
  FW_LOG_SCOPE();
  if (buffer_size == 0) FW_THROW(common::application_exception(common::error_buffer_size_is_zero));
  if (stream.fail()) FW_THROW(common::application_exception(common::error_invalid_http_stream_state));

  std::vector<char> buffer(buffer_size);
  uint64_t read_this_call = 0;
  // A known length must arrive whole: a server that closes early leaves the file short.
  const auto complete = [&] {
    return content_length != 0 ? read_this_call == content_length : stream.eof() && !stream.bad();
  };
  while (stream.good()) {
    if (deadline.expired() || token.canceled()) break;
    const uint64_t wanted =
        content_length != 0 ? std::min<uint64_t>(content_length - read_this_call, buffer_size) : buffer_size;
    read_block(stream, buffer.data(), static_cast<std::streamsize>(wanted));
    const std::streamsize read = stream.gcount();
    if (read < 0 || ((read == 0 || read > static_cast<std::streamsize>(buffer_size)) && !stream.eof())) {
      FW_THROW(common::application_exception(common::error_unexpected_https_read_amount), "read = ", read,
               "; buffer_size = ", buffer_size);
    }
    const uint64_t count = static_cast<uint64_t>(read);
    if (count != 0 && fs_utils::write_file(file, buffer.data(), count) != count) {
      FW_THROW(win32::exception("WriteFile"), "Failed Writing ", count, " bytes");
    }
    downloaded_total += count;
    read_this_call += count;
    FW_LOG(cpplogger::level_trace) << "Downloaded " << downloaded_total << " bytes";
    if (complete()) {
      FW_LOG(cpplogger::level_trace) << "File was successfully downloaded";
      break;
    }
  }
  const bool canceled = token.canceled();
  FW_LOG(cpplogger::level_trace) << "\nstream.good()    = " << bool_text(stream.good())
                                 << "\ntoken.canceled() = " << bool_text(canceled) << "\n\n";
  if (deadline.expired()) FW_THROW(common::application_exception(common::error_file_download_timeout));
  FW_LOG(cpplogger::level_trace) << "Content-Length = " << content_length
                                 << "; file size = " << fs_utils::get_file_size(file);
  return complete() && !canceled;
}

}  // namespace updater::details
