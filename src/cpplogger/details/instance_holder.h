#pragma once
#include <memory>
#include <shared_mutex>

#include "cpplogger/details/current_settings.h"
#include "cpplogger/details/logger_interface.h"

namespace cpplogger::details {

// The process-wide logger instance and its locks. Its destruction at process exit
// switches logging off before releasing the instance.
struct instance_holder {
  std::shared_ptr<logger_interface> instance;
  instance_lock holder_lock;
  std::shared_mutex init_lock;  // serialises init_logger
  bool initialised = false;

  ~instance_holder();
};

extern instance_holder holder;

}  // namespace cpplogger::details
