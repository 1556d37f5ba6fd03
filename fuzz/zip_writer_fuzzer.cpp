// The zip writer's inputs: history files with any content, name and last-write time, and
// the conversions behind its header fields. A written archive must end with an end
// record that counts every file.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/text.h"
#include "cpplogger/details/zip_writer.h"
#include "support/process_state.h"
#include "support/scratch_directory.h"

namespace {

constexpr size_t end_record_size = 22;

// Printable ASCII without '/', so that every name is one file in the scratch directory;
// the index keeps names apart.
std::string file_name(size_t index, const std::string& raw) {
  std::string name = std::to_string(index) + "_";
  for (const char c : raw) {
    const char mapped = static_cast<char>('!' + static_cast<unsigned char>(c) % 94);
    name += mapped == '/' ? '_' : mapped;
  }
  return name;
}

void set_last_write_time(const std::filesystem::path& path, int64_t seconds_since_1970) {
  using clock = std::filesystem::file_time_type::clock;
  const auto time = clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(seconds_since_1970)));
  std::error_code ignored;
  std::filesystem::last_write_time(path, time, ignored);
}

void convert_header_fields(FuzzedDataProvider& input) {
  try {
    zip::to_dos_date_time(zip::to_utc_time(input.ConsumeIntegral<uint64_t>()));
  } catch (const std::out_of_range&) {
  }
  try {
    zip::deflate_output_bound(input.ConsumeIntegral<uint64_t>());
  } catch (const std::out_of_range&) {
  }
  try {
    zip::archive_position(input.ConsumeIntegral<uint64_t>());
  } catch (const zip::compression_exception&) {
  }
  const std::string name = input.ConsumeRandomLengthString(300);
  try {
    zip::entry_name_utf8(common::utf8_to_utf16(name));
  } catch (const zip::compression_exception&) {
  } catch (const std::range_error&) {
  }
}

void check_end_record(const std::filesystem::path& archive, size_t entry_count) {
  const std::vector<uint8_t> bytes = [&] {
    std::ifstream in(archive, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }();
  if (bytes.size() < end_record_size) std::abort();
  const uint8_t* end_record = bytes.data() + bytes.size() - end_record_size;
  const bool signed_right = end_record[0] == 'P' && end_record[1] == 'K' && end_record[2] == 5 && end_record[3] == 6;
  if (!signed_right || (end_record[10] | (end_record[11] << 8)) != static_cast<int>(entry_count)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz_support::input_scope scope;
  FuzzedDataProvider input(data, size);
  convert_header_fields(input);

  const auto& directory = fuzz_support::scratch_directory();
  std::vector<std::u16string> sources;
  const size_t file_count = input.ConsumeIntegralInRange<size_t>(1, 4);
  for (size_t i = 0; i < file_count && input.remaining_bytes() > 0; ++i) {
    const std::string name = file_name(i, input.ConsumeRandomLengthString(64));
    const std::string content = input.ConsumeRandomLengthString(8192);
    const auto path =
        fuzz_support::write_scratch_file(name, reinterpret_cast<const uint8_t*>(content.data()), content.size());
    set_last_write_time(directory / name, input.ConsumeIntegralInRange<int64_t>(0, 8'000'000'000));
    sources.push_back(path);
  }

  try {
    zip::create_archive(common::utf8_to_utf16(directory.string()), u"history.zip", sources);
    check_end_record(directory / "history.zip", sources.size());
  } catch (const zip::compression_exception&) {
  } catch (const std::out_of_range&) {
  }
  fuzz_support::clear_scratch_directory();
  return 0;
}
