#include <windows.h>

#include "common/winapi/process/last_error.h"

namespace winapi {

uint32_t get_last_error() { return ::GetLastError(); }

void set_last_error(uint32_t value) { ::SetLastError(value); }

}  // namespace winapi
