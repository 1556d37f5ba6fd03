#pragma once
// The thread that looks at the settings file at a fixed interval until it is stopped.
// It starts idle and touches the logger only after the logger has been handed over,
// so it never sees a half-started logger.
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace cpplogger::details {

class Logger;

// An auto-reset event: a successful wait consumes the signal.
class stop_signal {
 public:
  void set();
  // True when signalled within timeout.
  bool wait_for(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = false;
};

class settings_watcher {
 public:
  // Throws std::system_error when the thread cannot be started.
  explicit settings_watcher(std::chrono::milliseconds interval);
  // Stops the thread and waits for it; a logger never handed over ends it at once.
  ~settings_watcher();
  settings_watcher(const settings_watcher&) = delete;
  settings_watcher& operator=(const settings_watcher&) = delete;

  void hand_over(Logger& logger);

  // Asks the thread to end without waiting for it.
  void signal_stop();

 private:
  void run(std::future<Logger*> hand_over);

  const std::chrono::milliseconds interval_;
  stop_signal stop_;
  std::promise<Logger*> hand_over_;
  std::thread thread_;
};

}  // namespace cpplogger::details
