#include "common/handle_holder.h"

#include <cstdio>
#include <exception>

#include "common/u16_stream.h"
#include "cpplogger/levels.h"
#include "cpplogger/logger.h"

namespace common {

void default_handle_closer(winapi::handle_t handle) noexcept {
  if (winapi::close_handle(handle)) return;
  char value[32];
  std::snprintf(value, sizeof value, "%p", reinterpret_cast<void*>(handle));
  cpplogger::log(cpplogger::level_fatal, concat(u"Failed to close handle. Handle ", value, u". Terminating."));
  std::terminate();
}

}  // namespace common
