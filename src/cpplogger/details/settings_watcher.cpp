#include "cpplogger/details/settings_watcher.h"

#include "common/text.h"
#include "common/winapi/process/debug_output.h"
#include "cpplogger/details/Logger.h"

namespace cpplogger::details {

void stop_signal::set() {
  {
    std::lock_guard lock(mutex_);
    signalled_ = true;
  }
  changed_.notify_all();
}

bool stop_signal::wait_for(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const bool signalled = changed_.wait_for(lock, timeout, [this] { return signalled_; });
  signalled_ = false;
  return signalled;
}

settings_watcher::settings_watcher(std::chrono::milliseconds interval)
    : interval_(interval), thread_(&settings_watcher::run, this, hand_over_.get_future()) {}

settings_watcher::~settings_watcher() {
  hand_over_ = std::promise<Logger*>();
  signal_stop();
  thread_.join();
}

void settings_watcher::hand_over(Logger& logger) { hand_over_.set_value(&logger); }

void settings_watcher::signal_stop() {
  stop_.set();
  std::this_thread::yield();
}

void settings_watcher::run(std::future<Logger*> hand_over) {
  Logger* logger = nullptr;
  try {
    logger = hand_over.get();
  } catch (const std::future_error&) {
    return;
  }
  try {
    if (stop_.wait_for(std::chrono::milliseconds(0))) return;
    do {
      logger->poll_settings_file();
    } while (!stop_.wait_for(interval_));
  } catch (const std::exception& failure) {
    winapi::output_debug_string(common::utf8_to_utf16_lenient(failure.what()) + u"\n");
  } catch (...) {
    winapi::output_debug_string(u"An unknown exception was caught.\n");
  }
}

}  // namespace cpplogger::details
