#include "common/winapi/crash/memory_map.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace winapi {

namespace {

bool take_hex(std::string_view& text, uint64_t& value) {
  size_t length = 0;
  value = 0;
  for (; length < text.size() && length < 16; ++length) {
    const char c = text[length];
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      break;
    }
    value = value * 16 + static_cast<uint64_t>(digit);
  }
  text.remove_prefix(length);
  return length > 0;
}

bool take_decimal(std::string_view& text, uint64_t& value) {
  size_t length = 0;
  value = 0;
  for (; length < text.size() && length < 20 && text[length] >= '0' && text[length] <= '9'; ++length) {
    value = value * 10 + static_cast<uint64_t>(text[length] - '0');
  }
  text.remove_prefix(length);
  return length > 0;
}

bool take(std::string_view& text, char expected) {
  if (text.empty() || text.front() != expected) return false;
  text.remove_prefix(1);
  return true;
}

void skip_blanks(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
}

// Device numbers ("fd:01") are not needed.
bool skip_word(std::string_view& text) {
  size_t length = 0;
  while (length < text.size() && text[length] != ' ') ++length;
  text.remove_prefix(length);
  return length > 0;
}

}  // namespace

ssize_t read_memory_map(char* buffer, size_t size) {
  const int file = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (file < 0) return -1;
  size_t used = 0;
  while (used < size) {
    const ssize_t count = ::read(file, buffer + used, size - used);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      const int failure = errno;
      ::close(file);
      errno = failure;
      return -1;
    }
    if (count == 0) break;
    used += static_cast<size_t>(count);
  }
  ::close(file);
  if (used == size) {
    while (used > 0 && buffer[used - 1] != '\n') --used;
  }
  return static_cast<ssize_t>(used);
}

bool parse_memory_region(std::string_view line, memory_region& region) {
  uint64_t start = 0, end = 0;
  if (!take_hex(line, start) || !take(line, '-') || !take_hex(line, end) || !take(line, ' ')) return false;
  if (line.size() < 5 || line[4] != ' ' || end < start) return false;
  region.start = static_cast<uintptr_t>(start);
  region.end = static_cast<uintptr_t>(end);
  region.readable = line[0] == 'r';
  region.writable = line[1] == 'w';
  region.executable = line[2] == 'x';
  line.remove_prefix(5);
  if (!take_hex(line, region.file_offset) || !take(line, ' ') || !skip_word(line) || !take(line, ' ') ||
      !take_decimal(line, region.inode)) {
    return false;
  }
  skip_blanks(line);
  region.path = line;
  return true;
}

}  // namespace winapi
