#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <limits>

#include "common/winapi/process/random_bytes.h"

namespace winapi {

bool generate_random_bytes(void* buffer, size_t count) {
  if (count > std::numeric_limits<ULONG>::max()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const NTSTATUS status = ::BCryptGenRandom(nullptr, static_cast<PUCHAR>(buffer), static_cast<ULONG>(count),
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) {
    // The call reports an NTSTATUS only; the seam's callers read the last error.
    ::SetLastError(ERROR_GEN_FAILURE);
    return false;
  }
  return true;
}

}  // namespace winapi
