#include "common/winapi/security/restricted_access_windows.h"
#include "common/winapi/sync/events.h"
#include "common/winapi/windows_types.h"

namespace winapi {

handle_t create_event(bool initial_state) {
  return details::from_native(::CreateEventW(nullptr, TRUE, initial_state ? TRUE : FALSE, nullptr));
}

handle_t create_named_event(const std::u16string& name, bool initial_state) {
  const std::wstring wide_name = details::to_wide(name);
  return details::from_native(::CreateEventW(nullptr, TRUE, initial_state ? TRUE : FALSE, wide_name.c_str()));
}

handle_t create_guarded_named_event(const std::u16string& name) {
  const auto access = details::restricted_access::make(L"(A;;0x1F0003;;;SY)(A;;0x1F0003;;;BA)(A;;0x1F0003;;;{user})");
  if (!access) return 0;
  SECURITY_ATTRIBUTES attributes = access->attributes();
  const std::wstring wide_name = details::to_wide(name);
  const HANDLE event = ::CreateEventW(&attributes, TRUE, FALSE, wide_name.c_str());
  // An existing event is opened instead, with the access list its maker gave it.
  if (event != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(event);
    ::SetLastError(ERROR_ALREADY_EXISTS);
    return 0;
  }
  return details::from_native(event);
}

handle_t open_event(uint32_t access, const std::u16string& name) {
  const std::wstring wide_name = details::to_wide(name);
  return details::from_native(::OpenEventW(access, FALSE, wide_name.c_str()));
}

// A Windows event's name lives as long as a handle to it is open: the service releases
// its event by closing its handle, so there is nothing to remove here.
bool delete_named_event(const std::u16string&) { return true; }

bool set_event(handle_t event) { return ::SetEvent(details::to_native(event)) != FALSE; }

}  // namespace winapi
