#include "updater_lib/details/run/cancellation_token.h"

#include <array>
#include <cstdint>

#include "common/sync_helpers.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater {

namespace {

constexpr int64_t max_timeout_milliseconds = 0xFFFFFFFF;

uint32_t to_milliseconds(std::chrono::milliseconds timeout) {
  const int64_t milliseconds = static_cast<int64_t>(timeout.count());
  if (milliseconds < 0 || milliseconds > max_timeout_milliseconds) {
    FW_THROW(common::application_exception(common::error_invalid_timeout), "timeout = ", milliseconds, " ms");
  }
  return static_cast<uint32_t>(milliseconds);
}

[[noreturn]] void raise_canceled() { FW_THROW(common::application_exception(common::error_operation_canceled)); }

}  // namespace

cancellation_token::cancellation_token(const std::u16string& event_name) {
  FW_LOG_SCOPE();
  stop_event_ = sync_helpers::open_event_for_sync(event_name);
}

bool cancellation_token::canceled() const {
  FW_LOG_SCOPE();
  return sync_helpers::is_event_set(stop_event_.get());
}

void cancellation_token::wait(std::chrono::seconds timeout) const {
  FW_LOG_SCOPE();
  if (sync_helpers::wait(stop_event_.get(), to_milliseconds(timeout))) raise_canceled();
}

bool cancellation_token::wait(const common::handle_holder& other_event, std::chrono::milliseconds timeout) const {
  FW_LOG_SCOPE();
  const std::array<winapi::handle_t, 2> events{stop_event_.get(), other_event.get()};
  const auto [signalled, index] =
      sync_helpers::wait_any(events.data(), static_cast<uint32_t>(events.size()), to_milliseconds(timeout));
  if (!signalled) return false;
  FW_LOG(cpplogger::level_trace) << "Event #" << index << " was raised";
  if (index == 0) raise_canceled();
  return true;
}

}  // namespace updater
