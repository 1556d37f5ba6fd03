#pragma once
// The zip writer that packs history files: a plain single-volume archive of deflated
// entries whose local headers carry their sizes, then the central directory and the end
// record. No Zip64, data descriptors, extra fields, comments or encryption.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace zip {

// A rule of the zip format or of zlib that an archive could not keep.
class compression_exception : public std::exception {
 public:
  explicit compression_exception(std::u16string_view message);
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// UTC calendar fields of a last-write time, as SYSTEMTIME has them.
struct utc_time {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
};

// FILETIME (100 ns since 1601-01-01 UTC) to calendar fields, without any time zone.
utc_time to_utc_time(uint64_t file_time);

struct dos_date_time {
  uint16_t date = 0;
  uint16_t time = 0;
};

// The header's date and time fields (two-second resolution). Throws std::out_of_range
// for a field they cannot hold, years before 1980 and after 2107 included.
dos_date_time to_dos_date_time(const utc_time& time);

// Room that deflate is first given for size bytes: size + size * 0.0001 + 12. Throws
// std::out_of_range when that does not fit a 32-bit header field.
uint32_t deflate_output_bound(uint64_t size);

// The entry name as the headers store it. Throws compression_exception above 260 bytes,
// a length no Linux file name reaches, which is why the rule is reachable here.
std::string entry_name_utf8(std::u16string_view name);

// An archive position as a 32-bit header field. Throws compression_exception from 4 GiB on.
uint32_t archive_position(uint64_t position);

// One archive entry: what both of its headers say, and where its content comes from.
struct zip_entry {
  std::u16string source_path;
  std::string name;  // UTF-8, without directory
  dos_date_time modified;
  uint32_t crc = 0;
  uint32_t compressed_size = 0;
  uint32_t uncompressed_size = 0;
  uint32_t local_header_offset = 0;
};

class zip_writer {
 public:
  // Nothing is touched yet. Throws compression_exception when either part is empty.
  zip_writer(const std::u16string& directory, const std::u16string& name);

  // Takes the source's size and last-write time now (every limit of an entry is checked
  // here); its content is read by write_archive. Throws compression_exception or
  // std::out_of_range.
  void add(const std::u16string& source_path);

  // Creates the archive, which must not exist yet, and writes every entry, the central
  // directory and the end record. Each source is read whole and must still have its
  // size from add. On any failure the partly written archive is removed before the
  // exception leaves: compression_exception, std::out_of_range, or std::ios_base::failure
  // carrying the Windows error of a failed file call.
  void write_archive();

 private:
  std::u16string output_path_;
  std::vector<zip_entry> entries_;
};

// Packs the sources, in list order and each under its file name, into a new archive
// output_directory/archive_name. Throws as zip_writer does; no partial archive stays.
void create_archive(const std::u16string& output_directory, const std::u16string& archive_name,
                    const std::vector<std::u16string>& source_paths);

}  // namespace zip
