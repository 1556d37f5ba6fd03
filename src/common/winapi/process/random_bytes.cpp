#include "common/winapi/process/random_bytes.h"

#include <sys/random.h>

#include <cerrno>

#include "common/winapi/process/last_error.h"

namespace winapi {

bool generate_random_bytes(void* buffer, size_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    const ssize_t got = ::getrandom(bytes, count, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      set_last_error_from_errno();
      return false;
    }
    bytes += got;
    count -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace winapi
