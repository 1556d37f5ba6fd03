#include "cpplogger/details/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ios>
#include <new>
#include <stdexcept>
#include <utility>

#include "common/path_helpers.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/files/file_attributes.h"
#include "common/winapi/files/file_operations.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/details/log_text.h"
#include "error_lib/categories.h"

namespace zip {

namespace {

constexpr uint32_t local_header_signature = 0x04034B50;
constexpr uint32_t central_header_signature = 0x02014B50;
constexpr uint32_t end_record_signature = 0x06054B50;
// Bit 1: deflate option, bit 10, bit 11: UTF-8 names.
constexpr uint16_t general_purpose_flags = 0x0C02;
constexpr uint16_t method_deflate = 8;
constexpr int compression_level = 1;
constexpr size_t max_entries = 0xFFFF;
constexpr size_t max_name_bytes = 260;
constexpr uint64_t max_field_value = 0xFFFFFFFF;
// Calls of deflate; before each further one the output buffer grows to the bound of its size.
constexpr int max_deflate_rounds = 20;

double deflate_output_room(uint64_t size) {
  const auto bytes = static_cast<double>(size);
  return bytes + bytes * 0.0001 + 12;
}

[[noreturn]] void throw_file_failure(std::string_view call, const std::u16string& path) {
  const uint32_t error = winapi::get_last_error();
  throw std::ios_base::failure(std::string(call) + " failed for file '" + cpplogger::details::to_log_utf8(path) + "'",
                               win32::make_win32_error(error));
}

// Uninitialised heap bytes that only grow: a source is read straight into them, and
// realloc can extend a large block in place instead of holding a third copy.
class byte_buffer {
 public:
  byte_buffer() = default;
  ~byte_buffer() { std::free(data_); }
  byte_buffer(const byte_buffer&) = delete;
  byte_buffer& operator=(const byte_buffer&) = delete;

  unsigned char* data() { return data_; }

  // Room for at least size bytes; the bytes held so far are kept.
  void reserve(size_t size) {
    if (data_ != nullptr && size <= capacity_) return;
    const size_t capacity = std::max<size_t>(size, 1);
    void* grown = std::realloc(data_, capacity);
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<unsigned char*>(grown);
    capacity_ = capacity;
  }

 private:
  unsigned char* data_ = nullptr;
  size_t capacity_ = 0;
};

class source_file {
 public:
  explicit source_file(const std::u16string& path)
      : handle_(winapi::create_file(path, winapi::generic_read, winapi::creation_disposition::open_existing)) {
    if (handle_ == winapi::invalid_handle_value) throw_file_failure("CreateFileW", path);
  }
  ~source_file() { winapi::close_handle(handle_); }
  source_file(const source_file&) = delete;
  source_file& operator=(const source_file&) = delete;

  winapi::handle_t handle() const { return handle_; }

 private:
  winapi::handle_t handle_;
};

class deflate_stream {
 public:
  deflate_stream() {
    if (deflateInit2(&stream_, compression_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw compression_exception(u"Zlib initialization error.");
  }
  ~deflate_stream() { deflateEnd(&stream_); }
  deflate_stream(const deflate_stream&) = delete;
  deflate_stream& operator=(const deflate_stream&) = delete;

  // Ready for the next entry, as a newly initialised stream would be.
  void reset() {
    if (deflateReset(&stream_) != Z_OK) throw compression_exception(u"Zlib initialization error.");
  }

  z_stream* operator->() { return &stream_; }
  z_stream* get() { return &stream_; }

 private:
  z_stream stream_{};
};

void append_u16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void append_u32(std::string& out, uint32_t value) {
  append_u16(out, static_cast<uint16_t>(value & 0xFFFF));
  append_u16(out, static_cast<uint16_t>(value >> 16));
}

// From "version needed to extract" to "extra field length": the same in both headers.
void append_shared_header_fields(std::string& out, const zip_entry& entry) {
  append_u16(out, 0);  // version needed to extract
  append_u16(out, general_purpose_flags);
  append_u16(out, method_deflate);
  append_u16(out, entry.modified.time);
  append_u16(out, entry.modified.date);
  append_u32(out, entry.crc);
  append_u32(out, entry.compressed_size);
  append_u32(out, entry.uncompressed_size);
  append_u16(out, static_cast<uint16_t>(entry.name.size()));
  append_u16(out, 0);  // extra field length
}

void append_local_header(std::string& out, const zip_entry& entry) {
  append_u32(out, local_header_signature);
  append_shared_header_fields(out, entry);
  out += entry.name;
}

void append_central_header(std::string& out, const zip_entry& entry) {
  append_u32(out, central_header_signature);
  append_u16(out, 0);  // version made by
  append_shared_header_fields(out, entry);
  append_u16(out, 0);  // file comment length
  append_u16(out, 0);  // disk number start
  append_u16(out, 0);  // internal file attributes
  append_u32(out, 0);  // external file attributes
  append_u32(out, entry.local_header_offset);
  out += entry.name;
}

void append_end_record(std::string& out, uint16_t entry_count, uint32_t directory_start, uint32_t directory_end) {
  append_u32(out, end_record_signature);
  append_u16(out, 0);  // number of this disk
  append_u16(out, 0);  // disk where the central directory starts
  append_u16(out, entry_count);
  append_u16(out, entry_count);
  append_u32(out, directory_end - directory_start);
  append_u32(out, directory_start);
  append_u16(out, 0);  // comment length
}

// The archive being written. It is created only if no file has its name, so the
// removal of an unfinished archive can never hit a file that was there before.
class archive_file {
 public:
  explicit archive_file(const std::u16string& path)
      : path_(path),
        handle_(winapi::create_file(path, winapi::generic_write, winapi::creation_disposition::create_new)) {
    if (handle_ == winapi::invalid_handle_value) throw_file_failure("CreateFileW", path_);
  }
  ~archive_file() {
    if (handle_ == winapi::invalid_handle_value) return;
    winapi::close_handle(handle_);
    winapi::remove_file(path_);
  }
  archive_file(const archive_file&) = delete;
  archive_file& operator=(const archive_file&) = delete;

  void write(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
      const auto count = static_cast<uint32_t>(std::min<size_t>(size, 1u << 30));
      uint32_t written = 0;
      if (!winapi::write_file(handle_, bytes, count, &written)) throw_file_failure("WriteFile", path_);
      bytes += written;
      size -= written;
      position_ += written;
    }
  }
  void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }

  uint64_t position() const { return position_; }

  // Closes the finished archive; it is removed when even that fails.
  void complete() {
    const winapi::handle_t handle = std::exchange(handle_, winapi::invalid_handle_value);
    if (!winapi::close_handle(handle)) {
      const uint32_t error = winapi::get_last_error();
      winapi::remove_file(path_);
      winapi::set_last_error(error);
      throw_file_failure("CloseHandle", path_);
    }
  }

 private:
  std::u16string path_;
  winapi::handle_t handle_;
  uint64_t position_ = 0;
};

// Reads, checksums, deflates and writes one entry after another. The buffers are sized
// once, for the largest source and its deflate room, and serve every entry, so memory
// stays near twice the largest file however many files are packed.
class entry_packer {
 public:
  explicit entry_packer(uint32_t largest_source_size) {
    input_.reserve(largest_source_size);
    output_.reserve(deflate_output_bound(largest_source_size));
  }

  void pack(archive_file& archive, zip_entry& entry) {
    read_source(entry);
    entry.crc = static_cast<uint32_t>(crc32(0, input_.data(), entry.uncompressed_size));
    deflate_content(entry);
    entry.local_header_offset = archive_position(archive.position());
    std::string header;
    append_local_header(header, entry);
    archive.write(header);
    archive.write(output_.data(), entry.compressed_size);
  }

 private:
  // The whole source, which must still have the size add saw: a header must never
  // describe other bytes than the ones that follow it.
  void read_source(const zip_entry& entry) {
    const source_file source(entry.source_path);
    uint32_t read = 0;
    if (!winapi::read_file(source.handle(), input_.data(), entry.uncompressed_size, &read))
      throw_file_failure("ReadFile", entry.source_path);
    unsigned char beyond_end = 0;
    uint32_t read_beyond_end = 0;
    if (!winapi::read_file(source.handle(), &beyond_end, 1, &read_beyond_end))
      throw_file_failure("ReadFile", entry.source_path);
    if (read != entry.uncompressed_size || read_beyond_end != 0) {
      throw compression_exception(common::concat(u"compression_exception: Entry file changed its size: ",
                                                 entry.source_path, u", ", entry.uncompressed_size));
    }
  }

  // Raw deflate of the whole source in one stream; deflate is given more room while it
  // asks for it. An empty source still gets its empty final block: readers reject a
  // deflated entry without data.
  void deflate_content(zip_entry& entry) {
    size_t room = deflate_output_bound(entry.uncompressed_size);
    stream_.reset();
    stream_->next_in = input_.data();
    stream_->avail_in = entry.uncompressed_size;
    stream_->next_out = output_.data();
    stream_->avail_out = static_cast<uInt>(room);
    for (int round = 1;; ++round) {
      const int result = deflate(stream_.get(), Z_FINISH);
      if (result == Z_STREAM_END) break;
      // Anything but a full output buffer would leave a broken entry behind.
      if (result != Z_OK || round == max_deflate_rounds)
        throw compression_exception(common::concat(u"Zlib compression error on file: ", entry.name));
      room = deflate_output_bound(room);
      output_.reserve(room);
      stream_->next_out = output_.data() + stream_->total_out;
      stream_->avail_out = static_cast<uInt>(room - stream_->total_out);
    }
    entry.compressed_size = static_cast<uint32_t>(stream_->total_out);
  }

  byte_buffer input_;
  byte_buffer output_;
  deflate_stream stream_;
};

std::u16string_view file_name_of(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'/');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

compression_exception::compression_exception(std::u16string_view message)
    : text_(cpplogger::details::to_log_utf8(message)) {}

utc_time to_utc_time(uint64_t file_time) {
  using namespace std::chrono;
  constexpr int64_t seconds_from_1601_to_1970 = 11'644'473'600;
  const sys_seconds time{seconds(static_cast<int64_t>(file_time / 10'000'000) - seconds_from_1601_to_1970)};
  const sys_days day = floor<days>(time);
  const year_month_day date(day);
  const hh_mm_ss clock(time - day);
  return {static_cast<uint16_t>(static_cast<int>(date.year())),
          static_cast<uint16_t>(static_cast<unsigned>(date.month())),
          static_cast<uint16_t>(static_cast<unsigned>(date.day())),
          static_cast<uint16_t>(clock.hours().count()),
          static_cast<uint16_t>(clock.minutes().count()),
          static_cast<uint16_t>(clock.seconds().count())};
}

dos_date_time to_dos_date_time(const utc_time& time) {
  const auto check = [](bool in_range, const char* field, uint16_t value) {
    if (!in_range) throw std::out_of_range(std::string("Out of range '") + field + "' value: " + std::to_string(value));
  };
  check(time.year >= 1980 && time.year <= 2107, "year", time.year);
  check(time.month >= 1 && time.month <= 12, "month", time.month);
  check(time.day >= 1 && time.day <= 31, "day", time.day);
  check(time.hour <= 24, "hour", time.hour);
  check(time.minute <= 59, "minute", time.minute);
  check(time.second <= 59, "second", time.second);
  return {static_cast<uint16_t>((time.year - 1980) * 512 + time.month * 32 + time.day),
          static_cast<uint16_t>(time.hour * 2048 + time.minute * 32 + time.second / 2)};
}

uint32_t deflate_output_bound(uint64_t size) {
  const double room = deflate_output_room(size);
  if (room > static_cast<double>(max_field_value))
    throw std::out_of_range("compression_exception: Too big entry file size: " + std::to_string(size));
  return static_cast<uint32_t>(room);
}

std::string entry_name_utf8(std::u16string_view name) {
  std::string utf8 = common::utf16_to_utf8(name);
  if (utf8.size() > max_name_bytes) {
    throw compression_exception(common::concat(u"compression_exception: File name length is too big: ", utf8.size()));
  }
  return utf8;
}

uint32_t archive_position(uint64_t position) {
  if (position > max_field_value)
    throw compression_exception(u"compression_exception: Too big size of output zip file");
  return static_cast<uint32_t>(position);
}

zip_writer::zip_writer(const std::u16string& directory, const std::u16string& name)
    : output_path_(path_helpers::join_path(directory, name)) {
  if (directory.empty() || name.empty())
    throw compression_exception(common::concat(u"Compressor out file paths are invalid: ", output_path_));
}

void zip_writer::add(const std::u16string& source_path) {
  const auto attributes = winapi::get_file_attributes_ex(source_path);
  if (!attributes || attributes->is_directory)
    throw compression_exception(common::concat(u"Entry file doesn't exist: ", source_path));
  zip_entry entry;
  entry.source_path = source_path;
  entry.modified = to_dos_date_time(to_utc_time(attributes->last_write_time));
  const auto size = static_cast<uint64_t>(attributes->size);
  if (deflate_output_room(size) > static_cast<double>(max_field_value)) {
    throw compression_exception(
        common::concat(u"compression_exception: Too big entry file: ", source_path, u", ", size));
  }
  entry.uncompressed_size = static_cast<uint32_t>(size);
  entry.name = entry_name_utf8(file_name_of(source_path));
  entries_.push_back(std::move(entry));
}

void zip_writer::write_archive() {
  if (entries_.size() > max_entries) {
    throw compression_exception(common::concat(u"compression_exception: Too much zip entry files: ", entries_.size()));
  }
  archive_file archive(output_path_);
  const auto largest = std::max_element(entries_.begin(), entries_.end(), [](const zip_entry& a, const zip_entry& b) {
    return a.uncompressed_size < b.uncompressed_size;
  });
  entry_packer packer(largest == entries_.end() ? 0 : largest->uncompressed_size);
  for (zip_entry& entry : entries_) packer.pack(archive, entry);
  const uint32_t directory_start = archive_position(archive.position());
  std::string directory;
  for (const zip_entry& entry : entries_) append_central_header(directory, entry);
  const uint32_t directory_end = archive_position(archive.position() + directory.size());
  append_end_record(directory, static_cast<uint16_t>(entries_.size()), directory_start, directory_end);
  archive.write(directory);
  archive.complete();
}

void create_archive(const std::u16string& output_directory, const std::u16string& archive_name,
                    const std::vector<std::u16string>& source_paths) {
  zip_writer writer(output_directory, archive_name);
  for (const std::u16string& source : source_paths) writer.add(source);
  writer.write_archive();
}

}  // namespace zip
