#pragma once
// Clean-up guard: runs its callable once at scope exit unless dismissed. A callable
// that throws ends the process after a FATAL line, since a clean-up that failed
// half-way leaves nothing sound to continue with.
#include <exception>
#include <functional>
#include <utility>

#include "common/u16_stream.h"
#include "cpplogger/levels.h"
#include "cpplogger/logger.h"

namespace common {

class on_exit {
 public:
  explicit on_exit(std::function<void()> action) : action_(std::move(action)) {}
  ~on_exit() { run(); }
  on_exit(const on_exit&) = delete;
  on_exit& operator=(const on_exit&) = delete;

  void dismiss() { action_ = nullptr; }

  // Calls the callable if it is still held; later calls do nothing.
  void run() noexcept {
    std::function<void()> action = std::exchange(action_, nullptr);
    if (!action) return;
    try {
      action();
    } catch (const std::exception& e) {
      cpplogger::log(cpplogger::level_fatal, concat("Fatal error in on_exit handler: ", e.what()));
      std::terminate();
    } catch (...) {
      cpplogger::log(cpplogger::level_fatal, u"Unknown error in on_exit handler. Terminating...");
      std::terminate();
    }
  }

 private:
  std::function<void()> action_;
};

}  // namespace common
