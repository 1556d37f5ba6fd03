#pragma once
// The open developer log file: its handle, its path and its size counted in memory.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "common/winapi/files/file_attributes.h"
#include "common/winapi/process/handle.h"

namespace cpplogger::details {

// A log file that could not be opened or written.
class log_file_writer_exception : public std::exception {
 public:
  explicit log_file_writer_exception(std::u16string_view message);
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

class log_file_writer {
 public:
  enum class open_mode { append = 0, truncate = 1 };

  ~log_file_writer() { close(); }

  // Throws log_file_writer_exception when the file cannot be opened, std::runtime_error
  // when its size cannot be read.
  void open(const std::u16string& path, open_mode mode);

  // Writes the UTF-8 form of text and "\r\n" with one system write.
  // Throws log_file_writer_exception.
  void write_line(std::u16string_view text);

  void close();

  bool is_open() const { return file_ != winapi::invalid_handle_value; }
  int64_t size() const { return size_; }

  // The file opened last (open or closed since), as its name gave it right after opening.
  const std::optional<winapi::file_identity>& identity() const { return identity_; }

  // Whether path names the file opened last: a writer sharing the folder may have
  // renamed it away.
  bool is_named_by(const std::u16string& path) const;

  // Where the open file ends now, other writers' lines included; the largest value when
  // that cannot be told.
  int64_t shared_size() const;

 private:
  winapi::handle_t file_ = winapi::invalid_handle_value;
  std::optional<winapi::file_identity> identity_;
  int64_t size_ = 0;
  std::string bytes_;  // reused for every line to spare an allocation per write
};

}  // namespace cpplogger::details
