#pragma once
// The process's own memory map (/proc/self/maps), read and parsed without allocating, so
// the crash dump writer can use it after a crash.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace winapi {

struct memory_region {
  uintptr_t start = 0;
  uintptr_t end = 0;
  uint64_t file_offset = 0;
  uint64_t inode = 0;  // 0 for anonymous memory
  bool readable = false;
  bool writable = false;
  bool executable = false;
  std::string_view path;  // file path, "[stack]"-like name or empty

  bool is_file() const { return !path.empty() && path.front() == '/'; }
};

// Reads the whole map into buffer with read() only. Returns the byte count, or -1 with
// errno set; a map longer than the buffer is cut after its last complete line.
ssize_t read_memory_map(char* buffer, size_t size);

// Parses one line of the map; false when it has not the map's layout.
bool parse_memory_region(std::string_view line, memory_region& region);

// Calls visit(const memory_region&) for every well-formed line of the text.
template <typename Visit>
void for_each_memory_region(std::string_view text, Visit&& visit) {
  while (!text.empty()) {
    const size_t line_end = text.find('\n');
    const std::string_view line = text.substr(0, line_end);
    memory_region region;
    if (parse_memory_region(line, region)) visit(region);
    if (line_end == std::string_view::npos) break;
    text.remove_prefix(line_end + 1);
  }
}

}  // namespace winapi
