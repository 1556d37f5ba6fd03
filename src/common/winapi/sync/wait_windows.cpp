#include "common/winapi/sync/events.h"
#include "common/winapi/windows_types.h"

namespace winapi {

uint32_t wait_for_single_object(handle_t handle, uint32_t milliseconds) {
  return ::WaitForSingleObject(details::to_native(handle), milliseconds);
}

uint32_t wait_for_multiple_objects(uint32_t count, const handle_t* handles, uint32_t milliseconds) {
  return ::WaitForMultipleObjects(count, reinterpret_cast<const HANDLE*>(handles), FALSE, milliseconds);
}

}  // namespace winapi
