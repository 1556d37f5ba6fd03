#include <windows.h>

#include "common/winapi/crash/crash_time.h"

namespace winapi {

// GetLocalTime takes no lock of the runtime and follows the time zone itself.
void prepare_crash_local_time() {}

std::tm crash_local_time() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  std::tm result{};
  result.tm_year = now.wYear - 1900;
  result.tm_mon = now.wMonth - 1;
  result.tm_mday = now.wDay;
  result.tm_hour = now.wHour;
  result.tm_min = now.wMinute;
  result.tm_sec = now.wSecond;
  return result;
}

}  // namespace winapi
