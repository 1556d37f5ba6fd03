#include "cpplogger/details/log_file_writer.h"

#include <limits>
#include <stdexcept>
#include <utility>

#include "common/u16_stream.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/process/debug_output.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/details/log_text.h"

namespace cpplogger::details {

namespace {

int64_t size_at_open(const std::u16string& path) {
  const auto attributes = winapi::get_file_attributes_ex(path);
  if (!attributes) {
    throw std::runtime_error("logger get_file_size exception: GetFileAttributesExW failed with error: " +
                             std::to_string(winapi::get_last_error()));
  }
  if (attributes->size < 0) throw std::runtime_error("logger get_file_size: Negative file size exception.");
  return attributes->size;
}

}  // namespace

log_file_writer_exception::log_file_writer_exception(std::u16string_view message) : text_(to_log_utf8(message)) {}

void log_file_writer::open(const std::u16string& path, open_mode mode) {
  winapi::handle_t file = winapi::invalid_handle_value;
  switch (mode) {
    case open_mode::append:
      file = winapi::create_file(path, winapi::generic_read | winapi::file_append_data,
                                 winapi::creation_disposition::open_always);
      break;
    case open_mode::truncate:
      file = winapi::create_file(path, winapi::generic_write, winapi::creation_disposition::truncate_existing);
      break;
    default: throw std::invalid_argument("Log file writer error: wrong file open permission.");
  }
  if (file == winapi::invalid_handle_value) throw log_file_writer_exception(u"Could not open log file.");
  try {
    size_ = size_at_open(path);
  } catch (...) {
    winapi::close_handle(file);
    throw;
  }
  close();
  file_ = file;
  // Taken from the open file, not the name, which a writer sharing the folder may
  // already have rolled away.
  winapi::file_identity identity;
  identity_.reset();
  if (winapi::get_file_identity_by_handle(file_, &identity)) identity_ = identity;
}

bool log_file_writer::is_named_by(const std::u16string& path) const {
  return identity_ && winapi::get_file_identity(path) == identity_;
}

int64_t log_file_writer::shared_size() const {
  int64_t end = 0;
  if (!winapi::set_file_pointer_ex(file_, 0, &end, winapi::move_method::file_end))
    return std::numeric_limits<int64_t>::max();
  return end;
}

void log_file_writer::write_line(std::u16string_view text) {
  if (!is_open()) {
    winapi::output_debug_string(common::concat(text, u"\r\n\n"));
    throw log_file_writer_exception(u"Could not write to a closed log file.");
  }
  bytes_.clear();
  append_log_utf8(bytes_, text);
  bytes_ += "\r\n";
  uint32_t written = 0;
  if (!winapi::write_file(file_, bytes_.data(), static_cast<uint32_t>(bytes_.size()), &written))
    throw log_file_writer_exception(u"Could not write to the log file.");
  size_ += written;
}

void log_file_writer::close() {
  const winapi::handle_t file = std::exchange(file_, winapi::invalid_handle_value);
  if (file != winapi::invalid_handle_value && !winapi::close_handle(file))
    winapi::output_debug_string(u"Log file writer error: could not close log file handle.\n");
}

}  // namespace cpplogger::details
