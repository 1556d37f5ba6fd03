#include "common/winapi/windows_types.h"

namespace winapi {

bool close_handle(handle_t handle) { return ::CloseHandle(details::to_native(handle)) != FALSE; }

}  // namespace winapi
