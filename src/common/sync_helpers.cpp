#include "common/sync_helpers.h"

#include <exception>

#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/events.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace sync_helpers {

common::handle_holder create_basic_manual_reset_event() {
  FW_LOG_SCOPE();
  return create_basic_event_object();
}

common::handle_holder create_basic_event_object() {
  FW_LOG_SCOPE();
  const winapi::handle_t event = winapi::create_event(false);
  if (event == 0) FW_THROW(win32::exception("CreateEventW"), "Could not create event object.");
  return common::handle_holder(event);
}

common::handle_holder open_event_for_sync(const std::u16string& name) {
  FW_LOG_SCOPE();
  return open_event_object(name);
}

common::handle_holder open_event_object(const std::u16string& name) {
  FW_LOG_SCOPE();
  const winapi::handle_t event = winapi::open_event(winapi::synchronize, name);
  if (common::is_no_handle(event)) {
    FW_THROW(win32::exception("OpenEventW"), "Could not get an event's handle. Name: ", name);
  }
  return common::handle_holder(event);
}

void set_event(const common::handle_holder& event) {
  FW_LOG_SCOPE();
  if (event.get() == 0) FW_THROW(common::application_exception(common::error_event_is_null));
  if (!winapi::set_event(event.get())) FW_THROW(win32::exception("SetEvent"), "Could not trigger event");
}

bool wait(winapi::handle_t handle, uint32_t milliseconds) {
  FW_LOG_SCOPE();
  if (handle == 0) FW_THROW(common::application_exception(common::error_event_is_null));
  if (handle == winapi::invalid_handle_value) FW_THROW(common::application_exception(common::error_event_is_invalid));
  const uint32_t result = winapi::wait_for_single_object(handle, milliseconds);
  switch (result) {
    case winapi::wait_object_0: return true;
    case winapi::wait_abandoned_0:
    case winapi::wait_timeout: return false;
    default: FW_THROW(win32::exception("WaitForSingleObject"), "Waiting is failed");
  }
}

bool is_event_set(winapi::handle_t handle) {
  FW_LOG_SCOPE();
  return wait(handle, 0);
}

std::pair<bool, uint32_t> wait_any(const winapi::handle_t* handles, uint32_t count, uint32_t milliseconds) {
  FW_LOG_SCOPE();
  if (handles == nullptr || count == 0 || count > max_wait_handles) {
    FW_THROW(common::application_exception(common::error_invalid_handle_array));
  }
  const uint32_t result = winapi::wait_for_multiple_objects(count, handles, milliseconds);
  if (result == winapi::wait_failed) FW_THROW(win32::exception("WaitForMultipleObjects"), "Waiting is failed");
  if (result - winapi::wait_object_0 < count) return {true, result - winapi::wait_object_0};
  if (result == winapi::wait_timeout) return {false, static_cast<uint32_t>(-1)};
  FW_LOG(cpplogger::level_debug) << "Unexpected result was returned from WaitForMultipleObjects: " << result;
  return {false, static_cast<uint32_t>(-1)};
}

critical_section::~critical_section() {
  if (!mutex_.try_lock()) {
    FW_LOG(cpplogger::level_fatal) << "Attempt to delete a critical section while it was busy.";
    std::terminate();
  }
  mutex_.unlock();
}

}  // namespace sync_helpers
