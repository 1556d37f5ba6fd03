#include "cpplogger/details/zip_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <ios>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/text.h"
#include "error_lib/categories.h"
#include "logger_test_support.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using namespace logger_tests;

// The largest size whose deflate room, size * 1.0001 + 12, still fits 32 bits:
// 4,294,537,829 * 1.0001 + 12 = 4,294,967,294.78; one byte more gives 4,294,967,295.78.
constexpr uint64_t largest_entry_size = 4'294'537'829;

std::string le16(uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }
std::string le32(uint32_t value) {
  return le16(static_cast<uint16_t>(value & 0xFFFF)) + le16(static_cast<uint16_t>(value >> 16));
}

void set_modified(const fs::path& path, sys_seconds time) { fs::last_write_time(path, file_clock::from_sys(time)); }

// What a call threw: the exception's kind and its text.
struct thrown {
  std::string kind;
  std::string text;
  bool operator==(const thrown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const thrown& value) { return out << value.kind << ": " << value.text; }

thrown thrown_by(const std::function<void()>& call) {
  try {
    call();
  } catch (const zip::compression_exception& failure) {
    return {"compression_exception", failure.what()};
  } catch (const std::out_of_range& failure) {
    return {"out_of_range", failure.what()};
  } catch (const std::ios_base::failure& failure) {
    return {"ios_base::failure", failure.what()};
  }
  return {"nothing", ""};
}

// A failed file call as the writer reports it.
thrown file_failure(std::string_view call, const fs::path& path, uint32_t error) {
  const std::error_code code = win32::make_win32_error(error);
  return {"ios_base::failure", std::string(call) + " failed for file '" + path.string() + "': " + code.message()};
}

// Public members: the table rows below reach them through the fixture.
class zip_writer_test : public ::testing::Test {
 public:
  zip_writer_test() { fs::create_directory(sources()); }

  fs::path sources() const { return directory.path() / "sources"; }
  fs::path archive() const { return directory.path() / "out.zip"; }

  fs::path source(const std::string& name, std::string_view content, sys_seconds modified) const {
    const fs::path path = sources() / fs::path(name);
    write_bytes(path, content);
    set_modified(path, modified);
    return path;
  }

  void create(const std::vector<fs::path>& paths) const {
    std::vector<std::u16string> wide;
    for (const auto& path : paths) wide.push_back(u16(path));
    zip::create_archive(u16(directory.path()), u"out.zip", wide);
  }

  test_support::temp_directory directory;
};

TEST_F(zip_writer_test, a_tiny_archive_has_the_exact_header_layout) {
  // 2016-05-04 13:07:21 UTC: date (36 << 9) | (5 << 5) | 4, time (13 << 11) | (7 << 5) | 21 / 2.
  const auto digits = source("a.txt", "123456789", sys_days{2016y / 5 / 4} + 13h + 7min + 21s);
  // 1980-01-01 00:00:00: date (0 << 9) | (1 << 5) | 1, time 0.
  const auto empty = source("empty.txt", "", sys_days{1980y / 1 / 1});
  create({digits, empty});

  // Level-1 raw deflate of "123456789" (one fixed block), and the empty final block.
  const std::string digits_deflated("\x33\x34\x32\x36\x31\x35\x33\xb7\xb0\x04\x00", 11);
  const std::string empty_deflated("\x03\x00", 2);
  const std::string shared_digits = le16(0) + le16(0x0C02) + le16(8) + le16(0x68EA) + le16(0x48A4) + le32(0xCBF43926) +
                                    le32(11) + le32(9) + le16(5) + le16(0);
  const std::string shared_empty =
      le16(0) + le16(0x0C02) + le16(8) + le16(0) + le16(0x0021) + le32(0) + le32(2) + le32(0) + le16(9) + le16(0);
  const std::string central_tail = le16(0) + le16(0) + le16(0) + le32(0);
  std::string expected;
  expected += le32(0x04034B50) + shared_digits + "a.txt" + digits_deflated;                       // 0..46
  expected += le32(0x04034B50) + shared_empty + "empty.txt" + empty_deflated;                     // 46..87
  expected += le32(0x02014B50) + le16(0) + shared_digits + central_tail + le32(0) + "a.txt";      // 87..138
  expected += le32(0x02014B50) + le16(0) + shared_empty + central_tail + le32(46) + "empty.txt";  // 138..193
  expected += le32(0x06054B50) + le16(0) + le16(0) + le16(2) + le16(2) + le32(106) + le32(87) + le16(0);
  EXPECT_EQ(read_bytes(archive()), expected);
}

// A pseudo-random byte string: deflate cannot shrink it, so its output buffer must grow.
std::string incompressible(size_t size) {
  std::string bytes(size, '\0');
  uint64_t state = 0x9E3779B97F4A7C15;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<char>(state >> 56);
  }
  return bytes;
}

std::string history_lines(int count) {
  std::ostringstream text;
  for (int i = 0; i < count; ++i)
    text << "2016/05/04 13:07:21 DEBUG     ---> updater::download_file step " << i << " of " << count << "\r\n";
  return text.str();
}

struct sample {
  std::string name;
  std::string content;
  sys_seconds modified;
};

// Fields of a DOS time: even seconds only.
struct shown_time {
  year_month_day date;
  hh_mm_ss<seconds> clock;
};

shown_time dos_rounded(sys_seconds time) {
  const sys_days day = floor<days>(time);
  const seconds in_day = time - day;
  return {year_month_day(day), hh_mm_ss<seconds>(in_day - in_day % 2)};
}

std::string format_time(const shown_time& time, const char* pattern) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, static_cast<int>(time.date.year()),
                static_cast<unsigned>(time.date.month()), static_cast<unsigned>(time.date.day()),
                static_cast<int>(time.clock.hours().count()), static_cast<int>(time.clock.minutes().count()),
                static_cast<int>(time.clock.seconds().count()));
  return text;
}

// One independent zip reader: how it checks an archive, lists it (each entry on a line
// with its time in the reader's own format) and extracts it.
struct zip_reader {
  std::string name;
  std::function<std::vector<std::string>(const std::string& archive)> test;
  std::string test_passed;
  std::function<std::vector<std::string>(const std::string& archive)> list;
  const char* time_format;
  std::function<std::vector<std::string>(const std::string& archive, const std::string& into)> extract;
  // Info-ZIP unzip 6.0 converts names from DOS hosts ("version made by" 0) out of the OEM
  // code page even when the UTF-8 flag is set, so it cannot show non-ASCII names right.
  bool reads_utf8_names = true;
};

const char* const python_list =
    "import sys, zipfile\n"
    "for entry in zipfile.ZipFile(sys.argv[1]).infolist():\n"
    "    print('%04d-%02d-%02d %02d:%02d:%02d' % entry.date_time, entry.filename)\n";

const std::vector<zip_reader> readers = {
    {"unzip",
     [](const std::string& a) {
       return std::vector<std::string>{"unzip", "-t", a};
     },
     "No errors detected in compressed data",
     [](const std::string& a) {
       return std::vector<std::string>{"unzip", "-Z", "-T", a};
     },
     "%04d%02u%02u.%02d%02d%02d",
     [](const std::string& a, const std::string& to) {
       return std::vector<std::string>{"unzip", "-q", a, "-d", to};
     },
     false},
    {"7z",
     [](const std::string& a) {
       return std::vector<std::string>{"7z", "t", a};
     },
     "Everything is Ok",
     [](const std::string& a) {
       return std::vector<std::string>{"7z", "l", "-ba", a};
     },
     "%04d-%02u-%02u %02d:%02d:%02d",
     [](const std::string& a, const std::string& to) {
       return std::vector<std::string>{"7z", "x", "-o" + to, a};
     }},
    {"python zipfile",
     [](const std::string& a) {
       return std::vector<std::string>{
           "python3", "-c", "import sys, zipfile\nprint('damaged:', zipfile.ZipFile(sys.argv[1]).testzip())", a};
     },
     "damaged: None",
     [](const std::string& a) {
       return std::vector<std::string>{"python3", "-c", python_list, a};
     },
     "%04d-%02u-%02u %02d:%02d:%02d",
     [](const std::string& a, const std::string& to) {
       return std::vector<std::string>{
           "python3", "-c", "import sys, zipfile\nzipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])", a, to};
     }},
};

test_support::child_result run_reader(const std::vector<std::string>& command) {
  test_support::child_options options;
  options.arguments = command;
  options.environment["LC_ALL"] = "C.UTF-8";
  options.environment["TZ"] = "UTC";
  return test_support::run_child("/usr/bin/env", options);
}

bool has_line_with(const std::string& listing, const std::string& time, const std::string& name) {
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(time) != std::string::npos && line.ends_with(" " + name)) return true;
  }
  return false;
}

TEST_F(zip_writer_test, independent_readers_verify_list_and_extract_the_archive) {
  const std::vector<sample> samples = {
      {"base2016-05-04_13-07-21_4242_17_ERROR.log", history_lines(4000), sys_days{2016y / 5 / 4} + 13h + 7min + 21s},
      {"empty.log", "", sys_days{1980y / 1 / 1}},
      {"\xd0\xb6\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb-\xc3\xbc.log", "utf-8 name",
       sys_days{2107y / 12 / 31} + 23h + 59min + 59s},
      {std::string(251, 'n') + ".log", "longest name", sys_days{2000y / 2 / 29} + 12h},
      {"random.bin", incompressible(1 << 20), sys_days{2024y / 1 / 31} + 1h + 2min + 4s},
  };
  std::vector<fs::path> paths;
  for (const auto& item : samples) paths.push_back(source(item.name, item.content, item.modified));
  create(paths);

  for (const auto& reader : readers) {
    SCOPED_TRACE(reader.name);
    const auto tested = run_reader(reader.test(archive().string()));
    EXPECT_EQ(tested.exit_code, 0) << tested.stdout_text << tested.stderr_text;
    EXPECT_NE(tested.stdout_text.find(reader.test_passed), std::string::npos) << tested.stdout_text;

    std::vector<sample> comparable;
    std::copy_if(samples.begin(), samples.end(), std::back_inserter(comparable), [&](const sample& item) {
      return reader.reads_utf8_names || std::all_of(item.name.begin(), item.name.end(), [](char c) { return c > 0; });
    });
    const auto listed = run_reader(reader.list(archive().string()));
    EXPECT_EQ(listed.exit_code, 0) << listed.stderr_text;
    for (const auto& item : comparable) {
      EXPECT_TRUE(
          has_line_with(listed.stdout_text, format_time(dos_rounded(item.modified), reader.time_format), item.name))
          << item.name << " not listed in:\n"
          << listed.stdout_text;
    }

    const fs::path extracted = directory.path() / ("extracted by " + reader.name);
    const auto unpacked = run_reader(reader.extract(archive().string(), extracted.string()));
    EXPECT_EQ(unpacked.exit_code, 0) << unpacked.stdout_text << unpacked.stderr_text;
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(extracted)) ++files;
    EXPECT_EQ(files, samples.size());
    for (const auto& item : comparable) EXPECT_EQ(read_bytes(extracted / item.name), item.content) << item.name;
  }
}

// Every refusal comes before the archive is created, except those of sources that
// changed after add, which remove the unfinished archive.
TEST_F(zip_writer_test, refusals_name_their_reason_and_leave_no_archive) {
  struct refusal {
    std::string what;
    std::function<void(zip_writer_test&)> call;
    std::function<thrown(const zip_writer_test&)> expected;
  };
  const std::string history = history_lines(10);
  const sys_seconds modified = sys_days{2016y / 5 / 4};
  const auto writer = [](const zip_writer_test& test) {
    return zip::zip_writer(u16(test.directory.path()), u"out.zip");
  };
  const std::vector<refusal> refusals = {
      {"empty directory", [](zip_writer_test&) { zip::zip_writer(u"", u"out.zip"); },
       [](const zip_writer_test&) {
         return thrown{"compression_exception", "Compressor out file paths are invalid: /out.zip"};
       }},
      {"empty name", [](zip_writer_test& test) { zip::zip_writer(u16(test.directory.path()), u""); },
       [](const zip_writer_test& test) {
         return thrown{"compression_exception",
                       "Compressor out file paths are invalid: " + test.directory.path().string() + "/"};
       }},
      {"a directory as source", [&](zip_writer_test& test) { writer(test).add(u16(test.sources())); },
       [](const zip_writer_test& test) {
         return thrown{"compression_exception", "Entry file doesn't exist: " + test.sources().string()};
       }},
      {"a missing source", [&](zip_writer_test& test) { writer(test).add(u16(test.sources() / "gone.log")); },
       [](const zip_writer_test& test) {
         return thrown{"compression_exception", "Entry file doesn't exist: " + (test.sources() / "gone.log").string()};
       }},
      {"an entry too big for 32-bit sizes",
       [&](zip_writer_test& test) {
         const auto path = test.source("sparse.log", "", modified);
         fs::resize_file(path, largest_entry_size + 1);
         writer(test).add(u16(path));
       },
       [](const zip_writer_test& test) {
         return thrown{"compression_exception", "compression_exception: Too big entry file: " +
                                                    (test.sources() / "sparse.log").string() + ", 4294537830"};
       }},
      {"a time before 1980",
       [&](zip_writer_test& test) {
         writer(test).add(u16(test.source("old.log", history, sys_days{1979y / 12 / 31} + 23h + 59min + 59s)));
       },
       [](const zip_writer_test&) {
         return thrown{"out_of_range", "Out of range 'year' value: 1979"};
       }},
      {"a time after 2107",
       [&](zip_writer_test& test) {
         writer(test).add(u16(test.source("future.log", history, sys_days{2108y / 1 / 1})));
       },
       [](const zip_writer_test&) {
         return thrown{"out_of_range", "Out of range 'year' value: 2108"};
       }},
      {"more than 65,535 entries",
       [&](zip_writer_test& test) {
         auto many = writer(test);
         const std::u16string path = u16(test.source("one.log", "", modified));
         for (int i = 0; i < 65'536; ++i) many.add(path);
         many.write_archive();
       },
       [](const zip_writer_test&) {
         return thrown{"compression_exception", "compression_exception: Too much zip entry files: 65536"};
       }},
      {"a source deleted after add",
       [&](zip_writer_test& test) {
         auto pending = writer(test);
         const auto path = test.source("deleted.log", history, modified);
         pending.add(u16(path));
         fs::remove(path);
         pending.write_archive();
       },
       [](const zip_writer_test& test) {
         return file_failure("CreateFileW", test.sources() / "deleted.log", 2);  // ERROR_FILE_NOT_FOUND
       }},
      {"a source grown after add",
       [&](zip_writer_test& test) {
         auto pending = writer(test);
         pending.add(u16(test.source("first.log", history, modified)));
         const auto path = test.source("grown.log", "123456789", modified);
         pending.add(u16(path));
         write_bytes(path, "1234567890");
         pending.write_archive();
       },
       [](const zip_writer_test& test) {
         return thrown{"compression_exception", "compression_exception: Entry file changed its size: " +
                                                    (test.sources() / "grown.log").string() + ", 9"};
       }},
      {"a source shrunk after add",
       [&](zip_writer_test& test) {
         auto pending = writer(test);
         const auto path = test.source("shrunk.log", "123456789", modified);
         pending.add(u16(path));
         write_bytes(path, "12345678");
         pending.write_archive();
       },
       [](const zip_writer_test& test) {
         return thrown{"compression_exception", "compression_exception: Entry file changed its size: " +
                                                    (test.sources() / "shrunk.log").string() + ", 9"};
       }},
      {"a missing output directory",
       [&](zip_writer_test& test) {
         zip::create_archive(u16(test.directory.path() / "missing"), u"out.zip",
                             {u16(test.source("a.log", history, modified))});
       },
       [](const zip_writer_test& test) {
         return file_failure("CreateFileW", test.directory.path() / "missing" / "out.zip", 3);
       }},
  };
  for (const auto& row : refusals) {
    SCOPED_TRACE(row.what);
    zip_writer_test& test = *this;
    EXPECT_EQ(thrown_by([&] { row.call(test); }), row.expected(test));
    EXPECT_FALSE(fs::exists(archive()));
    for (const auto& entry : fs::directory_iterator(sources())) fs::remove(entry.path());
  }
}

TEST_F(zip_writer_test, an_existing_file_is_never_overwritten) {
  write_bytes(archive(), "someone else's");
  EXPECT_EQ(thrown_by([&] { create({source("a.log", "abc", sys_days{2016y / 5 / 4})}); }),
            file_failure("CreateFileW", archive(), 80));  // ERROR_FILE_EXISTS
  EXPECT_EQ(read_bytes(archive()), "someone else's");
}

TEST_F(zip_writer_test, the_largest_entry_size_and_entry_count_are_accepted) {
  const auto sparse = source("sparse.log", "", sys_days{2016y / 5 / 4});
  fs::resize_file(sparse, largest_entry_size);
  zip::zip_writer(u16(directory.path()), u"big.zip").add(u16(sparse));
  EXPECT_FALSE(fs::exists(directory.path() / "big.zip"));

  const std::u16string empty = u16(source("e.log", "", sys_days{2016y / 5 / 4}));
  zip::zip_writer writer(u16(directory.path()), u"out.zip");
  for (int i = 0; i < 65'535; ++i) writer.add(empty);
  writer.write_archive();
  const std::string bytes = read_bytes(archive());
  ASSERT_GE(bytes.size(), 22u);
  const std::string end = bytes.substr(bytes.size() - 22);
  EXPECT_EQ(end.substr(0, 12), le32(0x06054B50) + le16(0) + le16(0) + le16(0xFFFF) + le16(0xFFFF));
  // Each entry: 30 + 5 name bytes + 2 data bytes locally, 46 + 5 in the directory.
  EXPECT_EQ(end.substr(12, 8), le32(65'535 * 51) + le32(65'535 * 37));
}

TEST(zip_header_fields, times_sizes_names_and_positions_are_checked_against_their_fields) {
  struct date_time_row {
    zip::utc_time time;
    thrown failure;
    uint16_t date = 0;
    uint16_t clock = 0;
  };
  const std::vector<date_time_row> date_times = {
      {{2016, 5, 4, 13, 7, 21}, {"nothing", ""}, 0x48A4, 0x68EA},
      {{1980, 1, 1, 0, 0, 0}, {"nothing", ""}, 0x0021, 0},
      {{2107, 12, 31, 24, 59, 59}, {"nothing", ""}, 0xFF9F, 0xC77D},
      {{1979, 12, 31, 23, 59, 59}, {"out_of_range", "Out of range 'year' value: 1979"}},
      {{2108, 1, 1, 0, 0, 0}, {"out_of_range", "Out of range 'year' value: 2108"}},
      {{2016, 0, 1, 0, 0, 0}, {"out_of_range", "Out of range 'month' value: 0"}},
      {{2016, 13, 1, 0, 0, 0}, {"out_of_range", "Out of range 'month' value: 13"}},
      {{2016, 1, 0, 0, 0, 0}, {"out_of_range", "Out of range 'day' value: 0"}},
      {{2016, 1, 32, 0, 0, 0}, {"out_of_range", "Out of range 'day' value: 32"}},
      {{2016, 1, 1, 25, 0, 0}, {"out_of_range", "Out of range 'hour' value: 25"}},
      {{2016, 1, 1, 0, 60, 0}, {"out_of_range", "Out of range 'minute' value: 60"}},
      {{2016, 1, 1, 0, 0, 60}, {"out_of_range", "Out of range 'second' value: 60"}},
      // The year is checked first, then month, day, hour, minute, second.
      {{1979, 13, 0, 25, 60, 60}, {"out_of_range", "Out of range 'year' value: 1979"}},
      {{2016, 1, 32, 25, 60, 60}, {"out_of_range", "Out of range 'day' value: 32"}},
  };
  for (const auto& row : date_times) {
    SCOPED_TRACE(testing::Message() << row.time.year << "-" << row.time.month << "-" << row.time.day << " "
                                    << row.time.hour << ":" << row.time.minute << ":" << row.time.second);
    zip::dos_date_time result;
    EXPECT_EQ(thrown_by([&] { result = zip::to_dos_date_time(row.time); }), row.failure);
    if (row.failure.kind == "nothing") {
      EXPECT_EQ(result.date, row.date);
      EXPECT_EQ(result.time, row.clock);
    }
  }

  // FILETIME counts 100 ns from 1601-01-01; 1970-01-01 is 11,644,473,600 s later.
  struct file_time_row {
    uint64_t file_time;
    zip::utc_time expected;
  };
  const std::vector<file_time_row> file_times = {
      {0, {1601, 1, 1, 0, 0, 0}},
      {(11'644'473'600ULL + 1'462'367'241ULL) * 10'000'000 + 9'999'999, {2016, 5, 4, 13, 7, 21}},
      {(11'644'473'600ULL - 1) * 10'000'000, {1969, 12, 31, 23, 59, 59}},
      {(11'644'473'600ULL + 951'825'600ULL) * 10'000'000, {2000, 2, 29, 12, 0, 0}},
  };
  for (const auto& row : file_times) {
    const zip::utc_time time = zip::to_utc_time(row.file_time);
    EXPECT_EQ(std::vector<uint16_t>({time.year, time.month, time.day, time.hour, time.minute, time.second}),
              std::vector<uint16_t>({row.expected.year, row.expected.month, row.expected.day, row.expected.hour,
                                     row.expected.minute, row.expected.second}))
        << row.file_time;
  }

  struct bound_row {
    uint64_t size;
    uint32_t bound;
    thrown failure;
  };
  const std::vector<bound_row> bounds = {
      {0, 12, {"nothing", ""}},
      {10'000, 10'013, {"nothing", ""}},
      {largest_entry_size, 4'294'967'294, {"nothing", ""}},
      {largest_entry_size + 1, 0, {"out_of_range", "compression_exception: Too big entry file size: 4294537830"}},
  };
  for (const auto& row : bounds) {
    uint32_t bound = 0;
    EXPECT_EQ(thrown_by([&] { bound = zip::deflate_output_bound(row.size); }), row.failure) << row.size;
    EXPECT_EQ(bound, row.bound) << row.size;
  }

  // Linux file names stop at 255 bytes, so the name rule is met here directly.
  struct name_row {
    std::u16string name;
    thrown failure;
  };
  const std::vector<name_row> names = {
      {std::u16string(260, u'n'), {"nothing", ""}},
      {std::u16string(261, u'n'), {"compression_exception", "compression_exception: File name length is too big: 261"}},
      {std::u16string(86, u'\u4e2d') + u"nn", {"nothing", ""}},
      {std::u16string(87, u'\u4e2d'),
       {"compression_exception", "compression_exception: File name length is too big: 261"}},
  };
  for (const auto& row : names) {
    std::string utf8;
    EXPECT_EQ(thrown_by([&] { utf8 = zip::entry_name_utf8(row.name); }), row.failure) << row.name.size();
    if (row.failure.kind == "nothing") {
      EXPECT_EQ(utf8, common::utf16_to_utf8(row.name));
    }
  }

  EXPECT_EQ(zip::archive_position(0xFFFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(thrown_by([] { zip::archive_position(0x100000000); }),
            (thrown{"compression_exception", "compression_exception: Too big size of output zip file"}));
}

}  // namespace
