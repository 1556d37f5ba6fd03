#include "common/winapi/crash/minidump.h"

#include <elf.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "common/winapi/crash/core_notes.h"
#include "common/winapi/crash/memory_map.h"
#include "common/winapi/files/write_all.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

constexpr size_t region_capacity = 16384;
constexpr size_t pages_per_chunk = 256;
constexpr uint64_t page_in_use = (uint64_t{1} << 63) | (uint64_t{1} << 62);  // present or swapped

// Only the dump writer uses these, and only one thread writes a dump (crash_guard).
char map_text[2 << 20];
memory_region regions[region_capacity];
Elf64_Phdr program_headers[region_capacity + 1];
char note_space[1 << 20];
uint64_t page_flags[pages_per_chunk];
// The dump folder's path and a '/', then room for the file name; sized while healthy.
std::vector<char> dump_path;
size_t dump_folder_length = 0;

// 0, or the errno value; EFAULT when part of the memory cannot be read.
int write_all(int file, const char* data, size_t size, uint64_t offset) {
  size_t written = 0;
  return winapi::write_all(file, data, size, offset, written);
}

// Pages that cannot be read are left as holes.
int write_memory(int file, uintptr_t start, size_t size, uint64_t offset) {
  const int result = write_all(file, reinterpret_cast<const char*>(start), size, offset);
  if (result != EFAULT) return result;
  const size_t page = static_cast<size_t>(::getpagesize());
  for (size_t done = 0; done < size; done += page) {
    const int page_result = write_all(file, reinterpret_cast<const char*>(start + done), page, offset + done);
    if (page_result != 0 && page_result != EFAULT) return page_result;
  }
  return 0;
}

bool read_page_flags(int pagemap, uintptr_t start, size_t pages) {
  if (pagemap < 0) return false;
  const size_t page = static_cast<size_t>(::getpagesize());
  const size_t bytes = pages * sizeof(uint64_t);
  const ssize_t count = ::pread(pagemap, page_flags, bytes, static_cast<off_t>(start / page * sizeof(uint64_t)));
  return count == static_cast<ssize_t>(bytes);
}

int64_t monotonic_seconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec;
}

// Anonymous memory is written only where a page is present or swapped out. The vDSO's
// pages appear only once used, yet gdb reads its whole image.
int write_region(int file, int pagemap, const memory_region& region, uint64_t offset, int64_t deadline) {
  const size_t page = static_cast<size_t>(::getpagesize());
  for (uintptr_t chunk = region.start; chunk < region.end; chunk += pages_per_chunk * page) {
    if (monotonic_seconds() >= deadline) return ETIMEDOUT;
    const size_t pages = std::min<size_t>(pages_per_chunk, (region.end - chunk) / page);
    const uint64_t chunk_offset = offset + (chunk - region.start);
    if (region.is_file() || region.path == "[vdso]" || !read_page_flags(pagemap, chunk, pages)) {
      if (const int result = write_memory(file, chunk, pages * page, chunk_offset)) return result;
      continue;
    }
    for (size_t first = 0; first < pages;) {
      if ((page_flags[first] & page_in_use) == 0) {
        ++first;
        continue;
      }
      size_t last = first;
      while (last < pages && (page_flags[last] & page_in_use) != 0) ++last;
      if (const int result =
              write_memory(file, chunk + first * page, (last - first) * page, chunk_offset + first * page)) {
        return result;
      }
      first = last;
    }
  }
  return 0;
}

bool is_dumped(const memory_region& region) {
  if (!region.readable || region.end - region.start > largest_dumped_mapping) return false;
  for (const std::string_view special : {"[vvar]", "[vvar_vclock]", "[vsyscall]"}) {
    if (region.path == special) return false;
  }
  return !region.path.starts_with("/dev/");
}

Elf64_Ehdr core_header(size_t program_header_count) {
  Elf64_Ehdr header{};
  std::memcpy(header.e_ident, ELFMAG, SELFMAG);
  header.e_ident[EI_CLASS] = ELFCLASS64;
  header.e_ident[EI_DATA] = ELFDATA2LSB;
  header.e_ident[EI_VERSION] = EV_CURRENT;
  header.e_ident[EI_OSABI] = ELFOSABI_NONE;
  header.e_type = ET_CORE;
#if defined(__x86_64__)
  header.e_machine = EM_X86_64;
#elif defined(__aarch64__)
  header.e_machine = EM_AARCH64;
#endif
  header.e_version = EV_CURRENT;
  header.e_phoff = sizeof header;
  header.e_ehsize = sizeof header;
  header.e_phentsize = sizeof(Elf64_Phdr);
  header.e_phnum = static_cast<Elf64_Half>(program_header_count);
  return header;
}

Elf64_Word segment_flags(const memory_region& region) {
  return (region.readable ? PF_R : 0) | (region.writable ? PF_W : 0) | (region.executable ? PF_X : 0);
}

// 0, or the errno value.
int write_core(int file, const exception_pointers& pointers, int64_t deadline) {
  const ssize_t map_length = read_memory_map(map_text, sizeof map_text);
  if (map_length < 0) return errno;
  size_t region_count = 0;
  for_each_memory_region(std::string_view(map_text, static_cast<size_t>(map_length)), [&](const memory_region& region) {
    if (region_count < region_capacity) regions[region_count++] = region;
  });
  const std::span<const memory_region> all_regions(regions, region_count);

  core_notes::note_buffer notes(note_space, sizeof note_space);
  core_notes::add_thread_notes(notes, pointers);
  core_notes::add_process_notes(notes, all_regions);
  if (notes.overflowed()) return ENOBUFS;

  size_t header_count = 1;
  for (const memory_region& region : all_regions) header_count += is_dumped(region);
  const uint64_t page = static_cast<uint64_t>(::getpagesize());
  const uint64_t notes_offset = sizeof(Elf64_Ehdr) + header_count * sizeof(Elf64_Phdr);
  uint64_t offset = (notes_offset + notes.size() + page - 1) / page * page;

  program_headers[0] = Elf64_Phdr{PT_NOTE, 0, notes_offset, 0, 0, notes.size(), 0, 0};
  size_t next = 1;
  for (const memory_region& region : all_regions) {
    if (!is_dumped(region)) continue;
    const uint64_t size = region.end - region.start;
    program_headers[next++] = Elf64_Phdr{PT_LOAD, segment_flags(region), offset, region.start, 0, size, size, page};
    offset += size;
  }

  const Elf64_Ehdr header = core_header(header_count);
  if (const int result = write_all(file, reinterpret_cast<const char*>(&header), sizeof header, 0)) return result;
  if (const int result = write_all(file, reinterpret_cast<const char*>(program_headers),
                                   header_count * sizeof(Elf64_Phdr), sizeof header)) {
    return result;
  }
  if (const int result = write_all(file, notes.data(), notes.size(), notes_offset)) return result;

  const int pagemap = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
  int result = 0;
  next = 1;
  for (const memory_region& region : all_regions) {
    if (!is_dumped(region)) continue;
    result = write_region(file, pagemap, region, program_headers[next++].p_offset, deadline);
    if (result != 0) break;
  }
  if (pagemap >= 0) ::close(pagemap);
  if (result != 0) return result;
  // Holes at the end count too: the file must be as long as its segments say.
  return ::ftruncate(file, static_cast<off_t>(offset)) == 0 ? 0 : errno;
}

}  // namespace

void prepare_dump_folder(std::u16string_view folder) {
  dump_path.clear();
  dump_folder_length = 0;
  if (folder.empty()) return;
  const std::string path = common::utf16_to_utf8(folder) + '/';
  dump_path.assign(path.size() + longest_dump_file_name + 1, '\0');
  std::copy(path.begin(), path.end(), dump_path.begin());
  dump_folder_length = path.size();
}

handle_t create_dump_file(std::string_view file_name, uint32_t& error) {
  if (dump_path.empty()) {
    error = error_path_not_found;
    return invalid_handle_value;
  }
  if (file_name.size() > longest_dump_file_name) {
    error = error_filename_exced_range;
    return invalid_handle_value;
  }
  *std::copy(file_name.begin(), file_name.end(), dump_path.data() + dump_folder_length) = '\0';
  const int file = ::open(dump_path.data(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file < 0) error = errno_to_win32(errno);
  return file < 0 ? invalid_handle_value : file;
}

bool write_dump(handle_t file, const exception_pointers& pointers, unsigned budget_seconds, uint32_t& error) {
  const int result = write_core(static_cast<int>(file), pointers, monotonic_seconds() + budget_seconds);
  if (result != 0) error = errno_to_win32(result);
  return result == 0;
}

void close_dump_file(handle_t file) { ::close(static_cast<int>(file)); }

}  // namespace winapi
