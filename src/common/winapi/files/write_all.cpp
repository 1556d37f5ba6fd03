#include "common/winapi/files/write_all.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace winapi {

int write_all(int descriptor, const void* data, size_t size, std::optional<uint64_t> offset, size_t& written) {
  const auto* bytes = static_cast<const char*>(data);
  written = 0;
  while (written < size) {
    const long count = offset ? ::syscall(SYS_pwrite64, descriptor, bytes + written, size - written, *offset + written)
                              : ::syscall(SYS_write, descriptor, bytes + written, size - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return errno;
    if (count == 0) return EIO;
    written += static_cast<size_t>(count);
  }
  return 0;
}

}  // namespace winapi
