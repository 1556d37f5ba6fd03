#pragma once
// The worker's view of the task's named stop event, which the service owns and sets.
// Checkpoints ask canceled() or wait; cancellation is raised as 5391.
#include <chrono>
#include <string>

#include "common/handle_holder.h"

namespace updater {

class cancellation_token {
 public:
  // Opens the stop event for waiting only; a missing event raises the Windows error of
  // OpenEventW.
  explicit cancellation_token(const std::u16string& event_name);

  bool canceled() const;

  // Returns when timeout has passed; raises 5391 if the stop event is set first and 5373
  // when the timeout does not fit in 32-bit milliseconds.
  void wait(std::chrono::seconds timeout) const;

  // Returns true when other_event is set and false when the timeout has passed first;
  // raises 5391 if the stop event is set (it wins when both are) and 5373 when the
  // timeout does not fit in 32-bit milliseconds (0xFFFFFFFF waits without a limit).
  bool wait(const common::handle_holder& other_event, std::chrono::milliseconds timeout) const;

 private:
  common::handle_holder stop_event_;
};

}  // namespace updater
